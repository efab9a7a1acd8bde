#include "gameini/Error.h"

#include <cstring>

namespace gameini {

void ThrowSystemError(int err, const std::string& action) {
    throw FileError(err, action + ": " + std::strerror(err));
}

} // namespace gameini

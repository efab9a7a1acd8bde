#include "gameini/LockHolder.h"

namespace gameini {

// Windows does not tell who holds a lock, nor whether to read or to save.
std::string LockHolder(int, const std::string& path) {
    return "using " + path;
}

} // namespace gameini

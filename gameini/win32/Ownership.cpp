#include "gameini/Ownership.h"

#include "gameini/GamePath.h"
#include "gameini/win32/WideText.h"

#include <windows.h>

namespace gameini {

std::string Owner::Text() const {
    return std::to_string(user) + ":" + std::to_string(group);
}

// A save swaps the new file in with ReplaceFileW, which keeps the previous
// file's owner and access list: there is no owner to lose.
std::optional<Owner> OwnerOf(const std::string&) {
    return std::nullopt;
}

std::optional<std::string> OwnershipProblem(const ConfigurationFiles& files) {
    const DWORD attributes = GetFileAttributesW(WideText(files.config).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return NameOf(files.config) + " is read-only: clear its read-only attribute";
    return std::nullopt;
}

} // namespace gameini

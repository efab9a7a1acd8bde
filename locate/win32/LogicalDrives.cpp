#include "locate/win32/LogicalDrives.h"

#include "gameini/win32/WideText.h"

#include <cwchar>
#include <windows.h>

namespace locate {

std::vector<std::string> LogicalDrives() {
    constexpr DWORD kRoom = 26 * 4; // "X:\" and its NUL for every letter
    wchar_t roots[kRoom + 1] = {};
    const DWORD length = GetLogicalDriveStringsW(kRoom, roots);
    std::vector<std::string> drives;
    for (const wchar_t* root = roots; length > 0 && length <= kRoom && *root;
         root += std::wcslen(root) + 1)
        drives.push_back(gameini::Utf8Text(root));
    return drives;
}

} // namespace locate

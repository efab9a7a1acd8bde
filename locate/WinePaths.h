#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace locate {

// The Linux path of a Windows path under the Wine prefix at `prefix`
// ("D:\SteamLibrary" gives PREFIX/dosdevices/d:/SteamLibrary): through the
// prefix's link for the drive letter, or, without one, for Z: the root, as
// Wine makes it. The link is looked for under `seenFrom` + prefix, for a
// prefix seen from another mount namespace ("/proc/PID/root"). Nothing for a
// path without a drive letter, or on a drive the prefix lacks.
std::optional<std::string> LinuxPathOf(std::string_view windowsPath, const std::string& prefix,
                                       const std::string& seenFrom = "");

// A user's Wine prefixes that exist: `winePrefix` (WINEPREFIX, when set),
// HOME/.wine and each one under HOME/.local/share/wineprefixes, each once.
std::vector<std::string> WinePrefixes(const std::string& home, const std::string& winePrefix);

} // namespace locate

#include "locate/WinePaths.h"

#include "gameini/Directory.h"
#include "gameini/GamePath.h"
#include "gameini/SystemCalls.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace locate {

std::optional<std::string> LinuxPathOf(std::string_view windowsPath, const std::string& prefix,
                                       const std::string& seenFrom) {
    if (windowsPath.size() < 2 || windowsPath[1] != ':' ||
        !std::isalpha(static_cast<unsigned char>(windowsPath[0])))
        return std::nullopt;
    std::string rest(windowsPath.substr(2));
    std::replace(rest.begin(), rest.end(), '\\', '/');
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
    const std::string device = prefix.empty() ? "" : prefix + "/dosdevices/" + letter + ":";
    if (!device.empty() && gameini::StatusOf(seenFrom + device))
        return device + rest;
    if (letter == 'z')
        return rest.empty() ? "/" : rest;
    return std::nullopt;
}

std::vector<std::string> WinePrefixes(const std::string& home, const std::string& winePrefix) {
    std::vector<std::string> candidates;
    if (!winePrefix.empty())
        candidates.push_back(winePrefix);
    if (!home.empty()) {
        candidates.push_back(gameini::InFolder(home, ".wine"));
        const std::string shared = gameini::InFolder(home, ".local/share/wineprefixes");
        gameini::Directory dir(shared);
        std::vector<std::string> named;
        while (const char* entry = dir.Next())
            if (dir.KindOfLast() == gameini::EntryKind::Folder)
                named.push_back(gameini::InFolder(shared, entry));
        std::sort(named.begin(), named.end());
        candidates.insert(candidates.end(), named.begin(), named.end());
    }
    std::vector<std::string> prefixes;
    std::set<std::string> seen;
    for (const std::string& prefix : candidates)
        if (const std::optional<std::string> real =
                gameini::RealPath(gameini::InFolder(prefix, "drive_c"));
            real && seen.insert(*real).second)
            prefixes.push_back(prefix);
    return prefixes;
}

} // namespace locate

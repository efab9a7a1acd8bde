#include "locate/InstallSearch.h"

#include "gameini/Directory.h"
#include "gameini/GamePath.h"
#include "gameini/TextCase.h"
#include "locate/WinePaths.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <regex>

namespace locate {

namespace {

// Enough for a few Steam libraries with a few hundred games each.
constexpr int kMostFoldersRead = 2000;

} // namespace

InstallSearch::InstallSearch(const std::string& home)
    : home_(home.empty() ? "" : gameini::AbsolutePath(home)) {}

std::string InstallSearch::InHome(std::string_view path) const {
    return gameini::InFolder(home_, path);
}

std::string InstallSearch::SystemFolderOf(const std::string& install) {
    return gameini::ResolvePath(gameini::InFolder(install, "System"));
}

void InstallSearch::SteamRoot(const std::string& root, const std::string& winePrefix) {
    std::vector<std::string> libraries{root};
    std::ifstream vdf(gameini::InFolder(root, "steamapps/libraryfolders.vdf"));
    static const std::regex kPathLine(R"re(^\s*"path"\s+"(.*)"\s*$)re");
    for (std::string line; std::getline(vdf, line);) {
        std::smatch match;
        if (!std::regex_match(line, match, kPathLine))
            continue;
        const std::string library = std::regex_replace(match[1].str(), std::regex(R"(\\\\)"), "\\");
        if (winePrefix.empty())
            libraries.push_back(library);
        else if (const std::optional<std::string> path = LinuxPathOf(library, winePrefix))
            libraries.push_back(*path);
    }
    for (const std::string& library : libraries) {
        const std::optional<std::string> real = gameini::RealPath(library);
        if (real && librariesSeen_.insert(*real).second)
            GamesIn(gameini::InFolder(*real, "steamapps/common"),
                    winePrefix.empty() ? "Steam" : "Steam, Wine", library);
    }
}

void InstallSearch::GamesIn(const std::string& folder, const std::string& kind,
                            const std::string& place) {
    for (const std::string& game : Subfolders(folder))
        AddIfSystemFolder(SystemFolderOf(gameini::InFolder(folder, game)), game, kind, place);
}

void InstallSearch::AddIfSystemFolder(const std::string& folder, const std::string& name,
                                      const std::string& kind, const std::string& place) {
    if (!HoldsTheGame(folder))
        return;
    const std::optional<std::string> real = gameini::RealPath(folder);
    if (!real || !installsSeen_.insert(*real).second)
        return;
    found_.push_back({"POSTAL 2 – " + name + " (" + kind + ", " + Shortened(place) + ")", folder});
}

// Whether the folder holds one of the game's configurations or its program.
bool InstallSearch::HoldsTheGame(const std::string& folder) {
    gameini::Directory dir(folder);
    while (const char* entry = dir.Next()) {
        const std::string name = gameini::LowerCase(entry);
        if (((name.starts_with("postal2") && name.ends_with(".ini")) || name == "postal2-bin" ||
             name == "postal2.exe") &&
            dir.KindOfLast() == gameini::EntryKind::File)
            return true;
    }
    return false;
}

// The path with the home folder written as "~".
std::string InstallSearch::Shortened(const std::string& path) const {
    const std::string normal = gameini::NativePath(path);
    // "~" + ... trips GCC 12's -Wrestrict.
    if (!home_.empty() && normal != home_ && gameini::IsWithin(normal, home_))
        return std::string("~").append(normal, home_.size());
    return normal;
}

// The names of the folder's subfolders, in byte order.
std::vector<std::string> InstallSearch::Subfolders(const std::string& folder) {
    std::vector<std::string> subfolders;
    if (foldersRead_++ >= kMostFoldersRead)
        return subfolders;
    gameini::Directory dir(folder);
    while (const char* entry = dir.Next())
        if (dir.KindOfLast() == gameini::EntryKind::Folder)
            subfolders.emplace_back(entry);
    std::sort(subfolders.begin(), subfolders.end());
    return subfolders;
}

} // namespace locate

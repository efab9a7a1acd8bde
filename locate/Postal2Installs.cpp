#include "locate/Postal2Installs.h"

#include "gameini/Directory.h"
#include "gameini/GamePath.h"
#include "gameini/TextCase.h"
#include "locate/WinePaths.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <regex>
#include <set>

namespace locate {

namespace {

// Enough for a few Steam libraries with a few hundred games each.
constexpr int kMostFoldersRead = 2000;

class Search {
public:
    Search(const std::string& home, const std::string& winePrefix)
        : home_(gameini::AbsolutePath(home)), winePrefix_(winePrefix) {}

    std::vector<Postal2Install> Run() {
        for (const char* root : {".local/share/Steam", ".steam/steam",
                                 ".var/app/com.valvesoftware.Steam/.local/share/Steam",
                                 ".var/app/com.valvesoftware.Steam/data/Steam"})
            SteamRoot(InHome(root));
        AddIfSystemFolder(InHome(".lgp/postal2/System"), "postal2", "Linux port", InHome(".lgp"));
        for (const std::string& prefix : WinePrefixes(home_, winePrefix_)) {
            const std::string gogGames = gameini::InFolder(prefix, "drive_c/GOG Games");
            for (const std::string& game : Subfolders(gogGames))
                AddIfSystemFolder(SystemFolderOf(gogGames, game), game, "GOG, Wine", prefix);
            for (const char* steam :
                 {"drive_c/Program Files (x86)/Steam", "drive_c/Program Files/Steam"})
                SteamRoot(gameini::InFolder(prefix, steam), prefix);
        }
        return found_;
    }

private:
    std::string InHome(std::string_view path) const { return gameini::InFolder(home_, path); }

    // A game's System folder sits right in its install folder, named in any
    // letter case.
    static std::string SystemFolderOf(const std::string& folder, const std::string& game) {
        return gameini::ResolvePath(gameini::InFolder(gameini::InFolder(folder, game), "System"));
    }

    // Steam for Windows in a Wine prefix lists its libraries as Windows paths.
    void SteamRoot(const std::string& root, const std::string& winePrefix = "") {
        std::vector<std::string> libraries{root};
        std::ifstream vdf(gameini::InFolder(root, "steamapps/libraryfolders.vdf"));
        static const std::regex kPathLine(R"re(^\s*"path"\s+"(.*)"\s*$)re");
        for (std::string line; std::getline(vdf, line);) {
            std::smatch match;
            if (!std::regex_match(line, match, kPathLine))
                continue;
            const std::string library =
                std::regex_replace(match[1].str(), std::regex(R"(\\\\)"), "\\");
            if (winePrefix.empty())
                libraries.push_back(library);
            else if (const std::optional<std::string> path = LinuxPathOf(library, winePrefix))
                libraries.push_back(*path);
        }
        for (const std::string& library : libraries) {
            const std::optional<std::string> real = gameini::RealPath(library);
            if (!real || !librariesSeen_.insert(*real).second)
                continue;
            const std::string common = gameini::InFolder(*real, "steamapps/common");
            for (const std::string& game : Subfolders(common))
                AddIfSystemFolder(SystemFolderOf(common, game), game,
                                  winePrefix.empty() ? "Steam" : "Steam, Wine", library);
        }
    }

    // `place` tells installs of the same name apart: the Steam library or
    // the prefix they are in.
    void AddIfSystemFolder(const std::string& folder, const std::string& name,
                           const std::string& kind, const std::string& place) {
        if (!HoldsTheGame(folder))
            return;
        const std::optional<std::string> real = gameini::RealPath(folder);
        if (!real || !installsSeen_.insert(*real).second)
            return;
        found_.push_back(
            {"POSTAL 2 – " + name + " (" + kind + ", " + Shortened(place) + ")", folder});
    }

    // Whether the folder holds one of the game's configurations or its program.
    static bool HoldsTheGame(const std::string& folder) {
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
    std::string Shortened(const std::string& path) const {
        const std::string normal = gameini::NativePath(path);
        if (normal != home_ && gameini::IsWithin(normal, home_))
            return "~" + normal.substr(home_.size());
        return normal;
    }

    // The names of the folder's subfolders, in byte order.
    std::vector<std::string> Subfolders(const std::string& folder) {
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

    std::string home_, winePrefix_;
    int foldersRead_ = 0;
    std::set<std::string> librariesSeen_, installsSeen_;
    std::vector<Postal2Install> found_;
};

} // namespace

const char* const kPostal2InstallPlaces =
    "Steam libraries (~/.local/share/Steam, ~/.steam/steam, Flatpak's Steam and the libraries "
    "their libraryfolders.vdf lists), ~/.lgp/postal2/System, and in each Wine prefix "
    "($WINEPREFIX, ~/.wine, ~/.local/share/wineprefixes/*) GOG Games and Steam for Windows "
    "with its libraries";

std::vector<Postal2Install> FindPostal2Installs(const std::string& home,
                                                const std::string& winePrefix) {
    if (home.empty())
        return {};
    return Search(home, winePrefix).Run();
}

} // namespace locate

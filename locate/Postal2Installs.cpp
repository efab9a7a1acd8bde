#include "locate/Postal2Installs.h"

#include "gameini/GamePath.h"
#include "gameini/TextCase.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sys/stat.h>

namespace locate {

namespace fs = std::filesystem;

namespace {

// Enough for a few Steam libraries with a few hundred games each.
constexpr int kMostFoldersRead = 2000;

class Search {
public:
    explicit Search(const std::string& home) : home_(home) {}

    std::vector<Postal2Install> Run() {
        for (const char* root : {".local/share/Steam", ".steam/steam",
                                 ".var/app/com.valvesoftware.Steam/.local/share/Steam",
                                 ".var/app/com.valvesoftware.Steam/data/Steam"})
            SteamRoot(home_ / root);
        AddIfSystemFolder(home_ / ".lgp/postal2/System", "postal2", "Linux port", home_ / ".lgp");
        for (const fs::path& game : Subfolders(home_ / ".wine/drive_c/GOG Games"))
            AddIfSystemFolder(gameini::ResolvePath(gameini::InFolder(game.string(), "System")),
                              game.filename().string(), "GOG, Wine", home_ / ".wine");
        return found_;
    }

private:
    void SteamRoot(const fs::path& root) {
        std::vector<fs::path> libraries{root};
        std::ifstream vdf(root / "steamapps/libraryfolders.vdf");
        static const std::regex kPathLine(R"re(^\s*"path"\s+"(.*)"\s*$)re");
        for (std::string line; std::getline(vdf, line);) {
            std::smatch match;
            if (std::regex_match(line, match, kPathLine))
                libraries.push_back(
                    std::regex_replace(match[1].str(), std::regex(R"(\\\\)"), "\\"));
        }
        for (const fs::path& library : libraries) {
            std::error_code error;
            fs::path canonical = fs::canonical(library, error);
            if (error || !librariesSeen_.insert(canonical.string()).second)
                continue;
            // A game's System folder sits right in its install folder, two
            // levels below common/, named in any letter case.
            for (const fs::path& game : Subfolders(canonical / "steamapps/common"))
                AddIfSystemFolder(gameini::ResolvePath(gameini::InFolder(game.string(), "System")),
                                  game.filename().string(), "Steam", library);
        }
    }

    // `place` tells installs of the same name apart: the Steam library or
    // the prefix they are in.
    void AddIfSystemFolder(const fs::path& folder, const std::string& name, const std::string& kind,
                           const fs::path& place) {
        if (!HoldsTheGame(folder))
            return;
        std::error_code error;
        fs::path canonical = fs::canonical(folder, error);
        if (error || !installsSeen_.insert(canonical.string()).second)
            return;
        found_.push_back(
            {"POSTAL 2 – " + name + " (" + kind + ", " + Shortened(place) + ")", folder.string()});
    }

    // Whether the folder holds one of the game's configurations or its program.
    static bool HoldsTheGame(const fs::path& folder) {
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const std::string name = gameini::LowerCase(it->path().filename().string());
            std::error_code typeError;
            if (it->is_regular_file(typeError) &&
                ((name.starts_with("postal2") && name.ends_with(".ini")) || name == "postal2-bin" ||
                 name == "postal2.exe"))
                return true;
        }
        return false;
    }

    // The path with the home folder written as "~".
    std::string Shortened(const fs::path& path) const {
        const std::string text = path.lexically_normal().string(), home = home_.string();
        if (text.starts_with(home + "/"))
            return "~" + text.substr(home.size());
        return text;
    }

    std::vector<fs::path> Subfolders(const fs::path& folder) {
        std::vector<fs::path> subfolders;
        if (foldersRead_++ >= kMostFoldersRead)
            return subfolders;
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            std::error_code typeError;
            if (it->is_directory(typeError))
                subfolders.push_back(it->path());
        }
        std::sort(subfolders.begin(), subfolders.end());
        return subfolders;
    }

    fs::path home_;
    int foldersRead_ = 0;
    std::set<std::string> librariesSeen_, installsSeen_;
    std::vector<Postal2Install> found_;
};

} // namespace

const char* const kPostal2InstallPlaces =
    "Steam libraries (~/.local/share/Steam, ~/.steam/steam, Flatpak's Steam and the libraries "
    "their libraryfolders.vdf lists), ~/.lgp/postal2/System, and ~/.wine/drive_c/GOG Games";

std::vector<Postal2Install> FindPostal2Installs(const std::string& home) {
    if (home.empty())
        return {};
    return Search(home).Run();
}

} // namespace locate

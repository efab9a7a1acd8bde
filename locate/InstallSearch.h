#pragma once

#include "locate/Postal2Installs.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace locate {

// What the install search does the same way on every system: Steam roots
// and their libraries, GOG folders, and the game's System folder in each,
// with a bound on the folders read. Each system's FindPostal2Installs says
// where to look.
class InstallSearch {
public:
    explicit InstallSearch(const std::string& home);

    // A Steam root and the libraries its libraryfolders.vdf lists; Steam for
    // Windows in a Wine prefix lists them as Windows paths.
    void SteamRoot(const std::string& root, const std::string& winePrefix = "");
    // Every game folder right inside `folder`.
    void GamesIn(const std::string& folder, const std::string& kind, const std::string& place);
    // `place` tells installs of the same name apart: the Steam library or
    // the prefix they are in.
    void AddIfSystemFolder(const std::string& folder, const std::string& name,
                           const std::string& kind, const std::string& place);
    // A game's System folder sits right in its install folder, named in any
    // letter case.
    static std::string SystemFolderOf(const std::string& install);

    std::string InHome(std::string_view path) const;
    std::vector<Postal2Install> Found() const { return found_; }

private:
    static bool HoldsTheGame(const std::string& folder);
    std::string Shortened(const std::string& path) const;
    std::vector<std::string> Subfolders(const std::string& folder);

    std::string home_;
    int foldersRead_ = 0;
    std::set<std::string> librariesSeen_, installsSeen_;
    std::vector<Postal2Install> found_;
};

} // namespace locate

#include "locate/Postal2Installs.h"

#include "gameini/GamePath.h"
#include "locate/InstallSearch.h"
#include "locate/WinePaths.h"

namespace locate {

const char* const kPostal2InstallPlaces =
    "Steam libraries (~/.local/share/Steam, ~/.steam/steam, Flatpak's Steam and the libraries "
    "their libraryfolders.vdf lists), ~/.lgp/postal2/System, and in each Wine prefix "
    "($WINEPREFIX, ~/.wine, ~/.local/share/wineprefixes/*) GOG Games and Steam for Windows "
    "with its libraries";

std::vector<Postal2Install> FindPostal2Installs(const std::string& home,
                                                const std::string& winePrefix) {
    if (home.empty())
        return {};
    InstallSearch search(home);
    for (const char* root : {".local/share/Steam", ".steam/steam",
                             ".var/app/com.valvesoftware.Steam/.local/share/Steam",
                             ".var/app/com.valvesoftware.Steam/data/Steam"})
        search.SteamRoot(search.InHome(root));
    search.AddIfSystemFolder(search.InHome(".lgp/postal2/System"), "postal2", "Linux port",
                             search.InHome(".lgp"));
    for (const std::string& prefix : WinePrefixes(gameini::AbsolutePath(home), winePrefix)) {
        search.GamesIn(gameini::InFolder(prefix, "drive_c/GOG Games"), "GOG, Wine", prefix);
        for (const char* steam :
             {"drive_c/Program Files (x86)/Steam", "drive_c/Program Files/Steam"})
            search.SteamRoot(gameini::InFolder(prefix, steam), prefix);
    }
    return search.Found();
}

} // namespace locate

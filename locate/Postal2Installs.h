#pragma once

#include <string>
#include <vector>

namespace locate {

struct Postal2Install {
    std::string label;        // "POSTAL 2 – POSTAL2Complete (Steam, ~/.local/share/Steam)"
    std::string systemFolder; // its System folder
};

// Looks for Postal 2 installations under the home folder: Steam libraries
// (native and Flatpak, with the libraries their libraryfolders.vdf lists), the
// native Linux port, and in each Wine prefix (`winePrefix`, WINEPREFIX when
// set, ~/.wine and ~/.local/share/wineprefixes/*) GOG's games and Steam for
// Windows with its libraries, Windows paths mapped through the prefix's
// drive letters. An installation
// is a System folder there that holds one of the game's configurations
// (postal2.ini, Postal2MP.ini, ... in any letter case) or its program, so a
// dedicated server that never ran the game's client counts. Reads a bounded
// number of folders and never fails: what cannot be read is passed over.
std::vector<Postal2Install> FindPostal2Installs(const std::string& home,
                                                const std::string& winePrefix = "");

// The places FindPostal2Installs looks in, for telling a user where nothing
// was found.
extern const char* const kPostal2InstallPlaces;

} // namespace locate

#pragma once

#include <string>
#include <vector>

struct Postal2Install {
    std::string label;        // "POSTAL 2 – POSTAL2Complete (Steam, ~/.local/share/Steam)"
    std::string systemFolder; // the folder holding its postal2.ini
};

// Looks for Postal 2 installations under the home folder: Steam libraries
// (native and Flatpak, with the libraries their libraryfolders.vdf lists), the
// native Linux port and the default Wine prefix's GOG games. Reads a bounded
// number of folders and never fails: what cannot be read is passed over.
std::vector<Postal2Install> FindPostal2Installs(const std::string& home);

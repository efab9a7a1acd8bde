#pragma once

#include "gameini/PackageFile.h"
#include "gameini/ServerSetup.h"
#include "locate/PackageFiles.h"
#include "locate/PackageSearch.h"

#include <string>
#include <vector>

namespace redirect {

// What becomes of a package a joining player may need.
enum class Action {
    Send,            // it goes in the redirect folder
    NotDownloadable, // no AllowDownload flag: the engine refuses to send it
    ServerOnly,      // marked server-side only: never sent
    Excluded,        // left out with --exclude
};

struct Download {
    std::string name; // the package, as configured or imported
    std::string file; // its package file, as on disk
    gameini::PackageFacts facts;
    Action action;
    std::string neededBy; // the configured package or the map that brings it in
};

struct DownloadSet {
    std::vector<Download> packages;    // configured first, then maps, then imports
    std::vector<std::string> problems; // a package no folder holds, or a damaged one
};

// Every package a joining player may need: the configured ones; the maps the
// Paths= entries for the map extension (MapExt= of [URL]) find, or only
// `maps`; and, through their import tables, everything they import, after
// [PackageRemap], found as check finds imports. A package not sent is not
// followed further. Packages are found by `search`, made from the setup's
// Paths= entries, and read through `packageFiles`, once each. Throws
// FileError when a package file cannot be read.
DownloadSet PackagesPlayersNeed(const gameini::ServerSetup& setup,
                                const locate::PackageSearch& search,
                                const std::vector<std::string>& maps,
                                const std::vector<std::string>& excluded,
                                locate::PackageFiles& packageFiles);

} // namespace redirect

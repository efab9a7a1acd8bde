#pragma once

#include "gameini/ConfigurationContents.h"
#include "gameini/PackageFile.h"
#include "locate/PackageReadCache.h"
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
    std::string importer; // the package that imports it; empty for one configured or a map
};

// A package a joining player may need and cannot get.
struct DownloadProblem {
    enum class Kind {
        Missing,    // no Paths= folder holds it
        Damaged,    // its file is no package, or its tables lie outside it
        Unreadable, // its file cannot be read at all
    };
    Kind kind;
    std::string name, neededBy, importer; // as for Download; importer "--map" for a map asked for
    std::string file, reason;             // for a damaged or unreadable file
};

struct DownloadSet {
    std::vector<Download> packages; // configured first, then maps, then imports
    std::vector<DownloadProblem> problems;
};

// Every package a joining player may need: the configured ones; the maps the
// Paths= entries for the map extension (MapExt= of [URL]) find, or only
// `maps`; and, through their import tables, everything they import, after
// [PackageRemap], found as check finds imports. A package not sent is not
// followed further. Packages are found by `search`, made from the setup's
// Paths= entries, and read through `readCache`, once each.
DownloadSet PackagesPlayersNeed(const gameini::ConfigurationContents& setup,
                                const locate::PackageSearch& search,
                                const std::vector<std::string>& maps,
                                const std::vector<std::string>& excluded,
                                locate::PackageReadCache& readCache);

} // namespace redirect

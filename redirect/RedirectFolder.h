#pragma once

#include "gameini/FileSystem.h"
#include "redirect/DownloadSet.h"
#include "redirect/Manifest.h"
#include "redirect/Uz2Compressor.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace redirect {

struct RedirectOptions {
    Compression compression;
    unsigned threads = 1;
    bool dryRun = false;              // say what would be written and deleted; write nothing
    bool prune = false;               // delete the .uz2 files made here that no one needs now
    bool verify = false;              // decompress every .uz2 and compare it with its package
    std::chrono::milliseconds wait{}; // for another run into the folder to finish
};

// What became of one package.
struct RedirectOutcome {
    // Written or left as it was; else left out, and why.
    enum class Fate {
        Written,
        Unchanged,
        Oversize,
        NotDownloadable,
        ServerOnly,
        Excluded,
        Unreadable, // the package file could not be read: players lack it
    };
    std::string name, file, uz2; // the package, its file, its .uz2 in the folder
    uint64_t size = 0, compressed = 0;
    Fate fate;
    std::string problem; // why it could not be read
};
// The word --json and the summary use: "written", "not-downloadable", ...
const char* FateName(RedirectOutcome::Fate fate);

struct RedirectResult {
    std::vector<RedirectOutcome> packages;
    // .uz2 files made here that no configuration needs any more; deleted with prune.
    std::vector<std::string> unneeded;
    // .uz2 files the manifest does not list: someone else's, never deleted.
    std::vector<std::string> notMadeHere;
    uint64_t bytesIn = 0, bytesOut = 0; // of the packages sent, and of their .uz2 files
};

// Called after each package compressed: packages and bytes done so far, of all.
using RedirectProgress =
    std::function<void(size_t done, size_t count, uint64_t bytesDone, uint64_t bytesAll)>;

// Makes `folder` the flat redirect folder of `set`, the packages the
// players of `configuration` (its absolute real path) need: each package
// sent as <its file name>.uz2, written under a temporary name and renamed
// into place, noted in the journal as it is done, the folder flushed once at
// the end. A package unchanged since the manifest says it was compressed is
// not written again while its .uz2 is as the manifest left it, or, its times
// changed, still decompresses to the package. A .uz2 longer than its package
// is not written (the client would cut it off), and an older one is deleted.
// A package that cannot be read is left out, and says why. Several
// configurations may share the folder: the manifest keeps, for each .uz2,
// the configurations that need it, and only a .uz2 made here that none needs
// any more is deleted, with prune. Nothing but .uz2 files, the manifest and
// the journal is touched. Holds the folder's lock, waiting for another run
// up to `options.wait`: throws BusyError when that runs out, FileError when
// a file of the folder cannot be read or written.
RedirectResult UpdateRedirectFolder(const DownloadSet& set, const std::string& folder,
                                    const std::string& configuration,
                                    const RedirectOptions& options,
                                    const RedirectProgress& progress,
                                    gameini::FileSystem& fileSystem = gameini::RealFileSystem());

} // namespace redirect

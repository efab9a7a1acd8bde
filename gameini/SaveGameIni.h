#pragma once

#include "gameini/ConfigurationLock.h"
#include "gameini/FileSystem.h"
#include "gameini/RewritePlan.h"

#include <string>
#include <vector>

namespace gameini {

enum class SaveMode {
    Always,      // write even when nothing changes (the window's Save)
    WhenChanged, // write only when a byte changes
    DryRun,      // write nothing; give the bytes before and after
};

struct SaveOptions {
    SaveOptions(SaveMode mode, bool mayChangeOwner = false)
        : mode(mode), mayChangeOwner(mayChangeOwner) {}

    SaveMode mode;
    // Save even when the new file cannot keep the configuration's owner and
    // group, or this program may not write the configuration itself.
    bool mayChangeOwner;
    // Give the changed part of the bytes before and after in the result, as a
    // dry run does, with kDiffContext lines around it.
    bool keepChangedPart = false;
};

struct SaveResult {
    std::string file;                       // the configuration's absolute path, as saved
    bool changed = false;                   // a byte of the configuration differs
    bool written = false;                   // the configuration was saved
    InPlace inPlace = InPlace::No;          // ... by overwriting it, and why
    std::string backup;                     // the previous configuration's absolute path
    std::string ownerChange;                // what the save gave away, when it was allowed to
    std::vector<std::string> before, after; // the package names
    RewritePlan::Excerpt changedPart;       // for a dry run, or when kept: for a diff
};

// The one save of both programs: rewrites the configuration by `edit`, and
// puts the result in its place behind a backup (ReplaceWithBackup). The
// configuration must be locked for writing, except for a dry run. A
// configuration another program changes meanwhile is refused with a
// ConfigurationError and left as that program wrote it.
//
// Before anything is written it refuses, with a ConfigurationError, two
// configurations that differ only in letter case and an unfinished save in
// place (RefuseUnfinishedSave); and with an OwnershipError a save that could
// not keep the configuration's owner and group, unless allowed.
//
// A configuration reached through a symbolic link is saved in its target's
// folder and the link stays as it is. A mount point (found in
// /proc/self/mountinfo, or by its swap failing with EBUSY) is saved in
// place: the configuration as it is goes to the `unfinished` file, flushed
// with its folder; room for the new bytes is set aside; the configuration's
// own bytes are overwritten, and put back if that fails; then the
// `unfinished` file becomes the backup. New files get the configuration's
// owner, group and permission bits. Every failure throws FileError naming
// the file, and removes the files this save created; the game always finds
// a whole configuration, or after a crash while it is overwritten in place,
// a whole `unfinished` file that the next save points to.
SaveResult SaveGameIni(const LockedConfiguration& configuration, const EditPackages& edit,
                       SaveOptions options, FileSystem& fileSystem = RealFileSystem());

} // namespace gameini

#pragma once

#include "ConfigurationFiles.h"
#include "FileSystem.h"
#include "RewriteGameIni.h"

#include <string>
#include <vector>

namespace gameini {

enum class SaveMode {
    Always,      // write even when nothing changes (the window's Save)
    WhenChanged, // write only when a byte changes
    DryRun,      // write nothing; give the bytes before and after
};

struct SaveResult {
    bool changed = false;                   // a byte of the configuration differs
    bool written = false;                   // the configuration was saved
    bool inPlace = false;                   // ... by overwriting it, as it is a mount point
    std::string backup;                     // the previous configuration, when written
    std::vector<std::string> before, after; // the package names
    std::string bytesBefore, bytesAfter;    // for a dry run
};

// The one save of both programs: rewrites the configuration by `edit`,
// and puts the result in its place behind a backup. A configuration another
// program changes meanwhile is refused with a ConfigurationError and left as
// that program wrote it.
//
// A configuration reached through a symbolic link is saved in its target's
// folder and the link stays as it is. A mount point (found in
// /proc/self/mountinfo, or by its rename failing with EBUSY) is saved in
// place: first the backup is written as a new file and flushed with its
// folder, then the configuration's own bytes are overwritten. New files get
// the configuration's owner, group and permission bits. Every failure throws
// FileError naming the file; the game always finds a whole configuration, or
// after a crash while it is overwritten in place, a whole backup.
SaveResult SaveGameIni(const ConfigurationFiles& files, const EditPackages& edit, SaveMode mode,
                       FileSystem& fileSystem = RealFileSystem());

} // namespace gameini

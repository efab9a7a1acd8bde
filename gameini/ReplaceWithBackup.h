#pragma once

#include "gameini/ConfigurationFiles.h"
#include "gameini/Error.h"
#include "gameini/FileSystem.h"

namespace gameini {

// Puts the work file, written and closed, in the place of the configuration,
// keeping the previous configuration as the backup:
//   1. flush the work file to disk, with the configuration's owner, group
//      and permission bits;
//   2. swap the work file and the configuration in one step, so that the
//      configuration's name always holds a whole configuration;
//   3. rename the work file, now the previous configuration, to the backup
//      name, replacing the older backup in the same step;
//   4. give the configuration its saved name ("Postal2.ini") where only the
//      letter case differs;
//   5. flush the folder.
// Where the system replaces a file keeping a backup in one call (Windows'
// ReplaceFileW), that call is steps 2 and 3. When step 3 fails, step 2 is undone. Where the file
// system cannot swap two names, steps 2 and 3 are: delete the old backup, rename the configuration
// to the backup name, rename the work file to the saved name; no rename
// replaces a file there, and when the last fails the backup is renamed back.
// On failure the work file is removed, unless it is the only copy of a
// configuration, which the error then names. When only a step after the
// configuration is in place fails, the error says that it was saved. A
// failing step throws FileError, a name taken by another file
// ConfigurationError.
void ReplaceWithBackup(const ConfigurationFiles& files, FileSystem& fileSystem = RealFileSystem());

// Puts `after` in the place of a configuration that cannot be replaced, only
// overwritten (a mount point), keeping `before`, the configuration as it is,
// as the backup:
//   1. write `before` as the work file, flush it, and rename it to the
//      `unfinished` name, flushing the folder: from here on the
//      configuration as it was is whole on disk under a name of its own;
//   2. set aside room for `after`, so that a full disk fails here;
//   3. overwrite the configuration's bytes with `after`, cut it to their
//      length and flush it; if that fails, put `before` back;
//   4. rename the `unfinished` file to the backup name, replacing the older
//      backup in the same step, and flush the folder.
// On failure the files it made are removed, unless the configuration could
// not be put back: then the error names the `unfinished` file, which the
// next save refuses to pass over. A failing step throws FileError.
void ReplaceInPlace(const ConfigurationFiles& files, const std::string& before,
                    const std::string& after, FileSystem& fileSystem = RealFileSystem());

// Whether a rename was refused because the configuration is a mount point
// that mountinfo did not show (another mount namespace's view): EBUSY. Such
// a file is written in place instead.
bool RefusedAsMountPoint(const FileError& error);

// Throws ConfigurationError, before anything is written, when a save in
// place did not finish: its `unfinished` file holds the configuration as it
// was before, and the configuration may be damaged. A file that holds the
// same bytes as the configuration is only left over, and is deleted.
void RefuseUnfinishedSave(const ConfigurationFiles& files, FileSystem& fileSystem);

} // namespace gameini

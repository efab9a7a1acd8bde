#pragma once

#include "ConfigurationFiles.h"
#include "FileSystem.h"

namespace gameini {

// Puts the work file in the place of the configuration, keeping the previous
// configuration as the backup:
//   1. delete the old backup (a failure is ignored),
//   2. rename the configuration to the backup name,
//   3. rename the work file to the saved name.
// No rename replaces a file. When step 3 fails the backup is renamed back, so
// the game never finds itself without a configuration, and the error is
// thrown. When only the folder flush after step 3 fails, the error says that
// the configuration was saved.
void ReplaceWithBackup(const ConfigurationFiles& files, FileSystem& fileSystem = RealFileSystem());

// Step 1 alone, for a save that cannot rename: deletes the old backup,
// ignoring a failure.
void RemoveOldBackup(const ConfigurationFiles& files, FileSystem& fileSystem);

} // namespace gameini

namespace gameini {

// Swaps the configuration and its backup, so that running it twice leaves
// both as they were. Fails, changing nothing, when either is missing.
void RestoreBackup(const ConfigurationFiles& files, FileSystem& fileSystem = RealFileSystem());

} // namespace gameini

#pragma once

#include "FileSystem.h"

#include <string_view>

namespace gameini {

// Puts the work file "newp2.ini" of `folder` in the place of "postal2.ini",
// keeping the previous configuration as "postal2.ini.old":
//   1. delete the old backup (a failure is ignored),
//   2. rename the configuration to "postal2.ini.old",
//   3. rename the work file to "Postal2.ini".
// When step 3 fails the backup is renamed back, so the game never finds itself
// without a configuration, and the error is thrown.
void ReplaceWithBackup(std::string_view folder, FileSystem& fileSystem = RealFileSystem());

} // namespace gameini

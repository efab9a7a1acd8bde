#pragma once

#include <cstdint>

#include "gameini/ConfigurationLock.h"
#include "gameini/FileSystem.h"

namespace gameini {

// The most bytes restore reads of the configuration and of its backup, which
// it holds in memory: far more than any configuration the game writes.
constexpr uint64_t kMostRestoredBytes = uint64_t{1} << 30;

// Swaps the configuration and its backup, so that running it twice leaves
// both as they were. A configuration that must be saved in place has the
// backup's bytes written into it, as ReplaceInPlace does; that returns why. Fails, changing
// nothing, when either is missing (FileError) or a save in place did not finish
// (ConfigurationError); where a mount point cannot be written so, the
// FileError says how to restore it by hand.
InPlace RestoreBackup(const LockedConfiguration& configuration,
                      FileSystem& fileSystem = RealFileSystem());

} // namespace gameini

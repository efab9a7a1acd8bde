#pragma once

namespace gameini {

// The errno value that tells what a Windows error code means, so that one
// error report, FileError's, serves both systems.
int ErrnoOf(unsigned long windowsError);

} // namespace gameini

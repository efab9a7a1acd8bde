#pragma once

#include "gameini/ConfigurationFiles.h"
#include "gameini/FileDescriptor.h"
#include "gameini/FileSystem.h"

#include <chrono>
#include <string_view>

namespace gameini {

// A configuration held against every other program that takes its lock: the
// kernel's lock (flock) of the configuration's real file. A symbolic link
// and its target, or a file bind-mounted into a container and the same file
// seen from outside it, are one configuration and one lock. Nothing is
// created for it, and a process killed at any point holds nothing.
class LockedConfiguration {
public:
    // The configuration's files as they are now that it is held, after any
    // save another program finished while this one waited.
    const ConfigurationFiles& Files() const { return files_; }
    Access GetAccess() const { return access_; }

private:
    friend LockedConfiguration LockConfiguration(std::string_view, std::string_view, Access,
                                                 std::chrono::milliseconds, FileSystem&);
    LockedConfiguration(ConfigurationFiles files, Access access, FileDescriptor lock)
        : files_(std::move(files)), access_(access), lock_(std::move(lock)) {}

    ConfigurationFiles files_;
    Access access_;
    FileDescriptor lock_;
};

// Finds the configuration `name` in `folder`, as ConfigurationFilesOf does,
// and holds it, waiting up to `wait` while another program does. Throws
// BusyError naming that program when the wait runs out, and FileError when
// the configuration cannot be opened or locked.
LockedConfiguration LockConfiguration(std::string_view folder, std::string_view name, Access access,
                                      std::chrono::milliseconds wait = {},
                                      FileSystem& fileSystem = RealFileSystem());

// Takes the kernel's lock of the open file at `path`, shared or exclusive,
// waiting up to `wait` while another program holds it. Throws BusyError
// naming that program when the wait runs out, and FileError when the file
// cannot be locked.
void LockWaiting(const FileDescriptor& file, Access access, const std::string& path,
                 std::chrono::milliseconds wait, FileSystem& fileSystem = RealFileSystem());

// Holds a file that is about to take the configuration's name (a save's
// work file, a backup being restored) for the rest of the save, so that a
// program that finds it there waits until the save is complete. Throws as
// LockConfiguration does.
FileDescriptor HoldIncoming(const std::string& path, FileSystem& fileSystem);

} // namespace gameini

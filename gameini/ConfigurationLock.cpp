#include "gameini/ConfigurationLock.h"

#include "gameini/Error.h"
#include "gameini/LockHolder.h"
#include "gameini/SequentialFile.h"
#include "gameini/SystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <thread>

namespace gameini {
namespace {

using Clock = std::chrono::steady_clock;

bool SameFile(int fd, const std::string& path) {
    const std::optional<FileStatus> held = StatusOf(fd), named = StatusOf(path);
    return held && named && held->SameFileAs(*named);
}

// Paces the tries to take a lock until a deadline.
class Waiting {
public:
    explicit Waiting(std::chrono::milliseconds wait) : deadline_(Clock::now() + wait) {}

    // Sleeps a little, more each time; false once the deadline has passed.
    bool Wait() {
        const Clock::time_point now = Clock::now();
        if (now >= deadline_)
            return false;
        std::this_thread::sleep_for(std::min<Clock::duration>(pause_, deadline_ - now));
        pause_ = std::min(pause_ * 2, std::chrono::milliseconds(50));
        return true;
    }

private:
    Clock::time_point deadline_;
    std::chrono::milliseconds pause_{1};
};

FileDescriptor OpenToLock(const std::string& path) {
    return FileDescriptor{OpenToRead(path)};
}

} // namespace

LockedConfiguration LockConfiguration(std::string_view folder, std::string_view name, Access access,
                                      std::chrono::milliseconds wait, FileSystem& fileSystem) {
    const Lookup lookup = access == Access::Write ? Lookup::ForSaving : Lookup::ForReading;
    Waiting waiting(wait);
    for (;;) {
        ConfigurationFiles files = ConfigurationFilesOf(folder, name, lookup);
        FileDescriptor lock = OpenToLock(files.config);
        if (lock.Get() < 0) {
            const int err = errno;
            // A save that just ended gave it its saved name.
            if (err == ENOENT && ConfigurationFilesOf(folder, name, lookup).config != files.config)
                continue;
            ThrowSystemError(err, "Cannot open " + files.config + " for reading");
        }
        // Windows cannot lock a folder; neither system can save one.
        if (const std::optional<FileStatus> status = StatusOf(lock.Get()))
            RefuseUnlessRegular(*status, files.config);
        if (fileSystem.TryLock(lock, access, files.config)) {
            // A save that ended while this one waited put another file under
            // the name: hold that one instead.
            if (SameFile(lock.Get(), files.config))
                return LockedConfiguration(std::move(files), access, std::move(lock));
            continue;
        }
        if (!waiting.Wait())
            throw BusyError("another program is " + LockHolder(lock.Get(), files.config));
    }
}

void LockWaiting(const FileDescriptor& file, Access access, const std::string& path,
                 std::chrono::milliseconds wait, FileSystem& fileSystem) {
    for (Waiting waiting(wait); !fileSystem.TryLock(file, access, path);)
        if (!waiting.Wait())
            throw BusyError("another program is " + LockHolder(file.Get(), path));
}

FileDescriptor HoldIncoming([[maybe_unused]] const std::string& path,
                            [[maybe_unused]] FileSystem& fileSystem) {
#ifdef _WIN32
    // Windows' ReplaceFileW opens the incoming file for itself alone, and
    // fills the configuration's name as its last step, when nothing of the
    // save is left to wait for.
    return FileDescriptor();
#else
    FileDescriptor lock = OpenToLock(path);
    if (lock.Get() < 0)
        ThrowSystemError(errno, "Cannot open " + path + " for reading");
    // Only a program that found this file under the configuration's name a
    // moment ago, and is about to let go of it, may hold it.
    LockWaiting(lock, Access::Write, path, std::chrono::seconds(2), fileSystem);
    return lock;
#endif
}

} // namespace gameini

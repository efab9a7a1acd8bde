#include "gameini/ConfigurationLock.h"

#include "gameini/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>

namespace gameini {
namespace {

using Clock = std::chrono::steady_clock;

bool SameFile(int fd, const std::string& path) {
    struct stat held, named;
    return fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Who holds the lock of the open file, as /proc/locks tells it:
// "saving FILE (pid N, NAME)" or "reading FILE ...", the pid and name only
// where this process may see them.
std::string Holder(int fd, const std::string& path) {
    struct stat held;
    std::string doing = "saving", who;
    if (fstat(fd, &held) != 0)
        return doing + " " + path;
    // As the kernel writes it: the device's numbers in hex, then the inode.
    char file[64];
    std::snprintf(file, sizeof file, "%02x:%02x:%lu", major(held.st_dev), minor(held.st_dev),
                  static_cast<unsigned long>(held.st_ino));
    std::istringstream locks(ReadAllThatCanBeRead("/proc/locks"));
    for (std::string line; std::getline(locks, line);) {
        // "1: FLOCK  ADVISORY  WRITE 1234 fd:01:5678 0 EOF"; a waiter has "->" after the number.
        std::istringstream fields(line);
        std::string number, type, mode, access, id;
        long pid = 0;
        if (!(fields >> number >> type >> mode >> access >> pid >> id) || type != "FLOCK" ||
            id != file)
            continue;
        doing = access == "READ" ? "reading" : "saving";
        if (pid > 0) {
            std::string name = ReadAllThatCanBeRead("/proc/" + std::to_string(pid) + "/comm");
            if (name.ends_with('\n'))
                name.pop_back();
            who = " (pid " + std::to_string(pid) + (name.empty() ? "" : ", " + name) + ")";
        }
        break;
    }
    return doing + " " + path + who;
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
    return FileDescriptor{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
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
        if (fileSystem.TryLock(lock, access, files.config)) {
            // A save that ended while this one waited put another file under
            // the name: hold that one instead.
            if (SameFile(lock.Get(), files.config))
                return LockedConfiguration(std::move(files), access, std::move(lock));
            continue;
        }
        if (!waiting.Wait())
            throw BusyError("another program is " + Holder(lock.Get(), files.config));
    }
}

void LockWaiting(const FileDescriptor& file, Access access, const std::string& path,
                 std::chrono::milliseconds wait, FileSystem& fileSystem) {
    for (Waiting waiting(wait); !fileSystem.TryLock(file, access, path);)
        if (!waiting.Wait())
            throw BusyError("another program is " + Holder(file.Get(), path));
}

FileDescriptor HoldIncoming(const std::string& path, FileSystem& fileSystem) {
    FileDescriptor lock = OpenToLock(path);
    if (lock.Get() < 0)
        ThrowSystemError(errno, "Cannot open " + path + " for reading");
    // Only a program that found this file under the configuration's name a
    // moment ago, and is about to let go of it, may hold it.
    LockWaiting(lock, Access::Write, path, std::chrono::seconds(2), fileSystem);
    return lock;
}

} // namespace gameini

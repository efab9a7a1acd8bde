#include "gameini/FileSystem.h"

#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace gameini {

FileDescriptor FileSystem::CreateFresh(const std::string& path) {
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    FileDescriptor file{open(path.c_str(), flags, 0666)};
    if (file.Get() < 0 && errno == EEXIST) {
        struct stat info;
        if (lstat(path.c_str(), &info) == 0 && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) &&
            unlink(path.c_str()) == 0)
            file = FileDescriptor{open(path.c_str(), flags, 0666)};
        else
            errno = EEXIST;
    }
    if (file.Get() < 0)
        ThrowSystemError(errno, "Cannot create " + path);
    return file;
}

void FileSystem::Write(const FileDescriptor& file, std::string_view bytes,
                       const std::string& path) {
    const off_t from = lseek(file.Get(), 0, SEEK_CUR);
    const auto to = from + static_cast<off_t>(bytes.size());
    if (const int err = WriteAll(file.Get(), bytes))
        ThrowSystemError(err, "Cannot write " + path);
    // Every few MiB of a large file, writing to disk starts while the rest is
    // still being written, so that the flush at the end waits far less. A
    // failure shows in that flush.
    constexpr off_t kWriteBackEvery = 8 << 20;
    if (from >= 0 && to / kWriteBackEvery > from / kWriteBackEvery)
        sync_file_range(file.Get(), 0, 0, SYNC_FILE_RANGE_WRITE);
}

void FileSystem::Close(FileDescriptor file, const std::string& path) {
    if (close(file.Release()) != 0)
        ThrowSystemError(errno, "Cannot write " + path);
}

void FileSystem::FlushNewFile(const std::string& path, const std::string& like) {
    FileDescriptor file{open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
    if (file.Get() < 0)
        ThrowSystemError(errno, "Cannot flush " + path + " to disk");
    struct stat likeInfo;
    if (stat(like.c_str(), &likeInfo) == 0) {
        // Run as root for a game's user, the game must still own its file;
        // elsewhere only the group may be given, or nothing.
        if (fchown(file.Get(), likeInfo.st_uid, likeInfo.st_gid) != 0 && errno == EPERM)
            (void)!fchown(file.Get(), static_cast<uid_t>(-1), likeInfo.st_gid);
        if (fchmod(file.Get(), likeInfo.st_mode & 07777) != 0)
            ThrowSystemError(errno, "Cannot set the permissions of " + path);
    }
    if (fsync(file.Get()) != 0)
        ThrowSystemError(errno, "Cannot flush " + path + " to disk");
}

void FileSystem::Remove(const std::string& path) {
    if (unlink(path.c_str()) != 0)
        ThrowSystemError(errno, "Cannot delete " + path);
}

bool FileSystem::KernelRenameNoReplace(const std::string& from, const std::string& to) {
    return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

void FileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
    const std::string action = "Cannot rename " + from + " to " + to;
    if (KernelRenameNoReplace(from, to))
        return;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        ThrowSystemError(errno, action);
    // No RENAME_NOREPLACE on this file system: a hard link fails just as
    // surely when the name is taken.
    if (link(from.c_str(), to.c_str()) != 0)
        ThrowSystemError(errno, action);
    if (unlink(from.c_str()) != 0) {
        int err = errno;
        unlink(to.c_str());
        ThrowSystemError(err, action);
    }
}

void FileSystem::Rename(const std::string& from, const std::string& to) {
    if (rename(from.c_str(), to.c_str()) != 0)
        ThrowSystemError(errno, "Cannot rename " + from + " to " + to);
}

void FileSystem::FlushFolder(const std::string& folder) {
    FileDescriptor dir{open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.Get() < 0 || fsync(dir.Get()) != 0)
        ThrowSystemError(errno, "Cannot flush the folder " + folder + " to disk");
}

bool FileSystem::KernelExchange(const std::string& first, const std::string& second) {
    return renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0;
}

bool FileSystem::Exchange(const std::string& first, const std::string& second) {
    if (KernelExchange(first, second))
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        ThrowSystemError(errno, "Cannot swap " + first + " and " + second);
    return false;
}

// Linux swaps the two names instead (Exchange).
bool FileSystem::ReplaceKeepingBackup(const std::string&, const std::string&, const std::string&) {
    return false;
}

FileDescriptor FileSystem::OpenForOverwrite(const std::string& path) {
    FileDescriptor file{open(path.c_str(), O_WRONLY | O_CLOEXEC)};
    if (file.Get() < 0)
        ThrowSystemError(errno, "Cannot open " + path + " for writing");
    return file;
}

void FileSystem::Reserve(const FileDescriptor& file, size_t length, const std::string& path) {
    const int err = fallocate(file.Get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(length));
    if (err != 0 && errno != EOPNOTSUPP && errno != ENOSYS)
        ThrowSystemError(errno, "Cannot make room for " + path);
}

void FileSystem::FinishOverwrite(FileDescriptor file, size_t length, const std::string& path) {
    if (ftruncate(file.Get(), static_cast<off_t>(length)) != 0 || fsync(file.Get()) != 0)
        ThrowSystemError(errno, "Cannot write " + path);
}

bool FileSystem::TryLock(const FileDescriptor& file, Access access, const std::string& path) {
    for (;;) {
        if (flock(file.Get(), (access == Access::Write ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0)
            return true;
        if (errno == EWOULDBLOCK)
            return false;
        if (errno != EINTR)
            ThrowSystemError(errno, "Cannot lock " + path);
    }
}

} // namespace gameini

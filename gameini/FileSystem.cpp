#include "FileSystem.h"

#include "Error.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gameini {
namespace {

struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0)
            close(fd);
    }
};

} // namespace

int FileSystem::CreateFresh(const std::string& path) {
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = open(path.c_str(), flags, 0666);
    if (fd < 0 && errno == EEXIST) {
        struct stat info;
        if (lstat(path.c_str(), &info) == 0 && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) &&
            unlink(path.c_str()) == 0)
            fd = open(path.c_str(), flags, 0666);
        else
            errno = EEXIST;
    }
    if (fd < 0)
        ThrowSystemError(errno, "Cannot create " + path);
    return fd;
}

void FileSystem::Write(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        ssize_t put = write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            ThrowSystemError(errno, "Cannot write " + path);
        bytes.remove_prefix(static_cast<size_t>(put));
    }
}

void FileSystem::Close(int fd, const std::string& path) {
    if (close(fd) != 0)
        ThrowSystemError(errno, "Cannot write " + path);
}

void FileSystem::FlushWorkFile(const std::string& work, const std::string& config) {
    const std::string action = "Cannot flush " + work + " to disk";
    FileDescriptor file{open(work.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
    if (file.fd < 0)
        ThrowSystemError(errno, action);
    struct stat configInfo;
    if (stat(config.c_str(), &configInfo) == 0 && fchmod(file.fd, configInfo.st_mode & 07777) != 0)
        ThrowSystemError(errno, "Cannot set the permissions of " + work);
    if (fsync(file.fd) != 0)
        ThrowSystemError(errno, action);
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

void FileSystem::FlushFolder(const std::string& folder) {
    FileDescriptor dir{open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0 || fsync(dir.fd) != 0)
        ThrowSystemError(errno, "Cannot flush the folder " + folder + " to disk");
}

bool FileSystem::KernelExchange(const std::string& first, const std::string& second) {
    return renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0;
}

void FileSystem::Exchange(const std::string& first, const std::string& second) {
    if (KernelExchange(first, second))
        return;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        ThrowSystemError(errno, "Cannot swap " + first + " and " + second);
    const std::string aside = first + ".swap";
    RenameNoReplace(first, aside);
    RenameNoReplace(second, first);
    RenameNoReplace(aside, second);
}

FileSystem& RealFileSystem() {
    static FileSystem real;
    return real;
}

} // namespace gameini

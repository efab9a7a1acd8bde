#include "gameini/SystemCalls.h"

#include "gameini/GamePath.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace gameini {
namespace {

int64_t Nanoseconds(const timespec& time) {
    return static_cast<int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FileStatus StatusFrom(const struct stat& info) {
    FileStatus status;
    status.kind = S_ISREG(info.st_mode)   ? FileStatus::Kind::Regular
                  : S_ISDIR(info.st_mode) ? FileStatus::Kind::Folder
                  : S_ISLNK(info.st_mode) ? FileStatus::Kind::Link
                                          : FileStatus::Kind::Other;
    status.size = static_cast<uint64_t>(info.st_size);
    status.device = info.st_dev;
    status.file = info.st_ino;
    status.modified = Nanoseconds(info.st_mtim);
    status.changed = Nanoseconds(info.st_ctim);
    status.links = info.st_nlink;
    status.readOnly = (info.st_mode & 0222) == 0;
    return status;
}

} // namespace

int OpenToRead(const std::string& path) {
    return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

int OpenStream(const std::string& path) {
    return open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

int OpenToAppend(const std::string& path) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

ssize_t ReadFrom(int fd, char* out, size_t size, uint64_t offset) {
    return pread(fd, out, size, static_cast<off_t>(offset));
}

ssize_t ReadNext(int fd, char* out, size_t size) {
    return read(fd, out, size);
}

ssize_t WriteNext(int fd, const char* bytes, size_t size) {
    return write(fd, bytes, size);
}

std::optional<FileStatus> StatusOf(int fd) {
    struct stat info;
    if (fstat(fd, &info) != 0)
        return std::nullopt;
    return StatusFrom(info);
}

std::optional<FileStatus> StatusOf(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return StatusFrom(info);
}

bool IsSymbolicLink(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::string LinkText(const std::string& path) {
    char text[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), text, sizeof text - 1);
    return length > 0 ? std::string(text, static_cast<size_t>(length)) : "?";
}

std::optional<std::string> RealPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&free)> real(realpath(path.c_str(), nullptr), &free);
    if (!real)
        return std::nullopt; // errno says why
    return std::string(real.get());
}

bool ExistsNotFollowingLinks(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

} // namespace gameini

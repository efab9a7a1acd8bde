#include "gameini/FileDescriptor.h"

#include "gameini/Error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace gameini {

ReadResult ReadFully(int fd, char* out, size_t size, std::optional<uint64_t> offset) {
    ReadResult result;
    while (result.got < size) {
        const ssize_t got = offset ? pread(fd, out + result.got, size - result.got,
                                           static_cast<off_t>(*offset + result.got))
                                   : read(fd, out + result.got, size - result.got);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            result.error = errno;
        if (got <= 0)
            break;
        result.got += static_cast<size_t>(got);
    }
    return result;
}

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return errno;
        bytes.remove_prefix(static_cast<size_t>(put));
    }
    return 0;
}

int ReadAll(int fd, std::string& out) {
    size_t step = 64 << 10;
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        step = static_cast<size_t>(info.st_size) + 1;
    for (;; step = 64 << 10) {
        const size_t had = out.size();
        out.resize(had + step);
        const ReadResult read = ReadFully(fd, out.data() + had, step);
        out.resize(had + read.got);
        if (read.error != 0 || read.got < step)
            return read.error;
    }
}

OpenFile OpenRegularFile(const std::string& path) {
    FileDescriptor file{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat info;
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0)
        ThrowSystemError(errno, "Cannot open " + path + " for reading");
    if (!S_ISREG(info.st_mode))
        throw DamageError(path, "Cannot read " + path + ": it is not a regular file");
    return {std::move(file), static_cast<uint64_t>(info.st_size)};
}

std::string ReadWholeFile(const std::string& path, uint64_t mostBytes) {
    const OpenFile file = OpenRegularFile(path);
    if (file.size > mostBytes)
        throw DamageError(path, "Cannot read " + path + ": it holds more than " +
                                    std::to_string(mostBytes) + " bytes");
    std::string bytes;
    if (const int err = ReadAll(file.descriptor.Get(), bytes))
        ThrowSystemError(err, "Cannot read " + path);
    if (bytes.size() > mostBytes)
        throw DamageError(path, "Cannot read " + path + ": it holds more than " +
                                    std::to_string(mostBytes) + " bytes");
    return bytes;
}

std::string ReadAllThatCanBeRead(const std::string& path) {
    std::string text;
    const FileDescriptor file{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.Get() >= 0)
        ReadAll(file.Get(), text);
    return text;
}

} // namespace gameini

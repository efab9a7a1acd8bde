#include "gameini/FileDescriptor.h"

#include "gameini/Error.h"

#include <cerrno>
#include <fcntl.h>

namespace gameini {

int ReadAll(int fd, std::string& out) {
    char chunk[64 << 10];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        out.append(chunk, static_cast<size_t>(got));
    }
}

std::string ReadWholeFile(const std::string& path) {
    const FileDescriptor file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        ThrowSystemError(errno, "Cannot open " + path + " for reading");
    std::string bytes;
    if (const int err = ReadAll(file.fd, bytes))
        ThrowSystemError(err, "Cannot read " + path);
    return bytes;
}

std::string ReadAllThatCanBeRead(const std::string& path) {
    std::string text;
    const FileDescriptor file{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd >= 0)
        ReadAll(file.fd, text);
    return text;
}

} // namespace gameini

#include "FileDescriptor.h"

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

std::string ReadAllThatCanBeRead(const std::string& path) {
    std::string text;
    const FileDescriptor file{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd >= 0)
        ReadAll(file.fd, text);
    return text;
}

} // namespace gameini

#pragma once

#include <string>
#include <unistd.h>
#include <utility>

namespace gameini {

// An open file descriptor, closed when it goes out of scope.
struct FileDescriptor {
    int fd = -1;
    explicit FileDescriptor(int descriptor = -1) : fd(descriptor) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(fd, other.fd); // the other closes what this held
        return *this;
    }
    // Hands the descriptor over to a call that closes it.
    int Release() { return std::exchange(fd, -1); }
    ~FileDescriptor() {
        if (fd >= 0)
            close(fd);
    }
};

// Appends the rest of the open file to `out`; returns 0, or the errno of the
// read that failed.
int ReadAll(int fd, std::string& out);

// The whole file's bytes; throws FileError naming the file.
std::string ReadWholeFile(const std::string& path);

// What can be read of a file, such as one of /proc whose process may end
// while it is read; empty when it cannot be opened.
std::string ReadAllThatCanBeRead(const std::string& path);

} // namespace gameini

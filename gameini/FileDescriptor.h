#pragma once

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
    ~FileDescriptor() {
        if (fd >= 0)
            close(fd);
    }
};

} // namespace gameini

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

// The one loop that reads: fills `out` with up to `size` bytes, from
// `offset` or else from where the file stands, until they are all there or
// the file ends. Gives how many came, and the errno of a read that failed.
struct ReadResult {
    size_t got = 0;
    int error = 0;
};
ReadResult ReadFully(int fd, char* out, size_t size, std::optional<uint64_t> offset = std::nullopt);

// The one loop that writes: all of `bytes`, where the file stands. Gives the
// errno of a write that failed, else 0.
int WriteAll(int fd, std::string_view bytes);

// The whole file's bytes; throws FileError naming the file.
std::string ReadWholeFile(const std::string& path);

// A regular file a stranger may have put there, open for reading: opened
// without waiting (a FIFO never blocks) and refused when it is no regular
// file. Throws FileError naming the file.
struct OpenFile {
    FileDescriptor descriptor;
    uint64_t size;
};
OpenFile OpenRegularFile(const std::string& path);

// The bytes of a regular file a stranger may have put there: opened without
// waiting (a FIFO never blocks), refused when it is no regular file or holds
// more than `mostBytes`. Throws FileError naming the file.
std::string ReadRegularFile(const std::string& path, uint64_t mostBytes);

// What can be read of a file, such as one of /proc whose process may end
// while it is read; empty when it cannot be opened.
std::string ReadAllThatCanBeRead(const std::string& path);

} // namespace gameini

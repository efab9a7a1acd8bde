#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>

namespace gameini {

// An open file descriptor, closed when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor = -1) : fd_(descriptor) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = other.Release();
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Close(); }

    // The descriptor, -1 when none is open; it stays this handle's.
    int Get() const { return fd_; }
    // The descriptor, now the caller's to close.
    int Release() { return std::exchange(fd_, -1); }

private:
    void Close() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }
    int fd_;
};

// The one loop that reads: fills `out` with up to `size` bytes, from
// `offset` or else from where the file stands, until they are all there or
// the file ends. Gives how many came, and the errno of a read that failed.
struct ReadResult {
    size_t got = 0;
    int error = 0;
};
ReadResult ReadFully(int fd, char* out, size_t size, std::optional<uint64_t> offset = std::nullopt);

// Appends the rest of the open file to `out`, a pipe's too; returns 0, or the
// errno of the read that failed. A file whose size is known is read in one
// piece; one that grows meanwhile, or one of /proc that says it has none, in
// steps.
int ReadAll(int fd, std::string& out);

// The one loop that writes: all of `bytes`, where the file stands. Gives the
// errno of a write that failed, else 0.
int WriteAll(int fd, std::string_view bytes);

// A regular file a stranger may have put there, open for reading: opened
// without waiting (a FIFO never blocks) and refused when it is no regular
// file. Throws FileError, or DamageError for no regular file, naming it.
struct OpenFile {
    FileDescriptor descriptor;
    uint64_t size;
};
OpenFile OpenRegularFile(const std::string& path);

// The bytes of a regular file, which a stranger may have put there: opened
// without waiting (a FIFO never blocks), refused when it is no regular file
// or holds more than `mostBytes`. Throws FileError, or DamageError for no
// regular file or too many bytes, naming the file.
std::string ReadWholeFile(const std::string& path, uint64_t mostBytes);

// What can be read of a file, such as one of /proc whose process may end
// while it is read; empty when it cannot be opened.
std::string ReadAllThatCanBeRead(const std::string& path);

} // namespace gameini

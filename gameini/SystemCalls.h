#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>

namespace gameini {

// What the programs ask of a file, in the same shape on every system.
struct FileStatus {
    enum class Kind { Regular, Folder, Link, Other };
    Kind kind = Kind::Other;
    uint64_t size = 0;
    // The same two numbers name the same file while it exists.
    uint64_t device = 0, file = 0;
    // Nanoseconds since 1970: the last change of the bytes, and of anything
    // about the file (its name, mode, or bytes).
    int64_t modified = 0, changed = 0;
    uint64_t links = 1;    // names the file has
    bool readOnly = false; // no one may write it: no write bit, or Windows' attribute

    bool IsRegular() const { return kind == Kind::Regular; }
    bool SameFileAs(const FileStatus& other) const {
        return device == other.device && file == other.file;
    }
    // Whether the bytes may differ: another size or another time.
    bool ChangedSince(const FileStatus& before) const {
        return size != before.size || modified != before.modified || changed != before.changed;
    }
};

// The system calls the file layer reads through, one set a system. Each
// returns as the system call does: -1 (or nothing) with errno set.

// Opens an existing file for reading without waiting on a FIFO or device;
// the descriptor is not inherited by programs started later.
int OpenToRead(const std::string& path);
// Opens a file or a pipe for reading, waiting for a pipe's writer as a
// program reading its input does.
int OpenStream(const std::string& path);
// Opens a file to add to its end, made when missing, readable by everyone
// and writable by its owner; not inherited either.
int OpenToAppend(const std::string& path);
// Reads from `offset`, or on from where the file stands; writes there.
ssize_t ReadFrom(int fd, char* out, size_t size, uint64_t offset);
ssize_t ReadNext(int fd, char* out, size_t size);
ssize_t WriteNext(int fd, const char* bytes, size_t size);
std::optional<FileStatus> StatusOf(int fd);
// The status of what the path leads to, every link followed.
std::optional<FileStatus> StatusOf(const std::string& path);
bool IsSymbolicLink(const std::string& path);
// Where a symbolic link says it leads, as written in it; "?" when it cannot
// be read.
std::string LinkText(const std::string& path);

} // namespace gameini

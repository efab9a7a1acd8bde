#include "gameini/FileDescriptor.h"

#include "gameini/Error.h"

#include "gameini/SystemCalls.h"

#include <cerrno>

namespace gameini {

ReadResult ReadFully(int fd, char* out, size_t size, std::optional<uint64_t> offset) {
    ReadResult result;
    while (result.got < size) {
        const ssize_t got =
            offset ? ReadFrom(fd, out + result.got, size - result.got, *offset + result.got)
                   : ReadNext(fd, out + result.got, size - result.got);
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
        const ssize_t put = WriteNext(fd, bytes.data(), bytes.size());
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
    if (const auto status = StatusOf(fd); status && status->IsRegular() && status->size > 0)
        step = static_cast<size_t>(status->size) + 1;
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
    FileDescriptor file{OpenToRead(path)};
    const std::optional<FileStatus> status = file.Get() < 0 ? std::nullopt : StatusOf(file.Get());
    if (!status)
        ThrowSystemError(errno, "Cannot open " + path + " for reading");
    if (!status->IsRegular())
        throw DamageError(path, "Cannot read " + path + ": it is not a regular file");
    return {std::move(file), status->size};
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
    const FileDescriptor file{OpenToRead(path)};
    if (file.Get() >= 0)
        ReadAll(file.Get(), text);
    return text;
}

} // namespace gameini

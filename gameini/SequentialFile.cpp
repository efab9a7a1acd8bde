#include "SequentialFile.h"

#include "CodePage.h"
#include "Error.h"
#include "GamePath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace gameini {
namespace {

constexpr size_t kWriteChunk = 1 << 20;

std::string ReadWholeFile(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        ThrowSystemError(errno, "Cannot open " + path + " for reading");
    struct stat info;
    if (fstat(fd, &info) != 0) {
        int err = errno;
        close(fd);
        ThrowSystemError(err, "Cannot open " + path + " for reading");
    }
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        bool folder = S_ISDIR(info.st_mode);
        throw FileError(folder ? EISDIR : EINVAL,
                        "Cannot open " + path + " for reading: " +
                            (folder ? "it is a folder, not a file" : "it is not a regular file"));
    }
    std::string bytes;
    bytes.resize(static_cast<size_t>(info.st_size));
    size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() + 65536);
        ssize_t got = read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            int err = errno;
            close(fd);
            ThrowSystemError(err, "Cannot read " + path);
        }
        if (got == 0)
            break;
        filled += static_cast<size_t>(got);
    }
    close(fd);
    bytes.resize(filled);
    return bytes;
}

bool StartsWith(std::string_view bytes, unsigned char first, unsigned char second) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == first &&
           static_cast<unsigned char>(bytes[1]) == second;
}

const char* EncodingName(Encoding encoding) {
    return encoding == Encoding::Windows1252 ? "Windows-1252" : "UTF-16";
}

} // namespace

SequentialFile::SequentialFile(Mode mode, std::string path, TextFormat format)
    : mode_(mode), path_(std::move(path)), format_(format) {}

SequentialFile::SequentialFile(SequentialFile&& other) noexcept
    : mode_(other.mode_), path_(std::move(other.path_)), format_(other.format_),
      open_(std::exchange(other.open_, false)), text_(std::move(other.text_)),
      position_(other.position_), fd_(std::exchange(other.fd_, -1)),
      buffer_(std::move(other.buffer_)) {}

SequentialFile::~SequentialFile() {
    // Only reached open on an error path; the error already on its way wins.
    if (fd_ >= 0)
        close(fd_);
}

SequentialFile SequentialFile::OpenInput(std::string_view path) {
    SequentialFile file(Mode::Input, ResolvePath(path), {});
    std::string bytes = ReadWholeFile(file.path_);
    if (StartsWith(bytes, 0xFF, 0xFE) || StartsWith(bytes, 0xFE, 0xFF)) {
        bool bigEndian = static_cast<unsigned char>(bytes[0]) == 0xFE;
        file.format_.encoding = bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE;
        if (!DecodeUtf16(std::string_view(bytes).substr(2), bigEndian, file.text_))
            throw FileError(EILSEQ, "Cannot read " + file.path_ +
                                        ": it starts as UTF-16 but has an odd number of bytes");
    } else {
        DecodeWindows1252(bytes, file.text_);
    }
    if (file.text_.find('\r') == std::string::npos && file.text_.find('\n') != std::string::npos)
        file.format_.lineEnd = LineEnd::Lf;
    return file;
}

SequentialFile SequentialFile::OpenOutput(std::string_view path, TextFormat format) {
    SequentialFile file(Mode::Output, ResolvePath(path), format);
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    file.fd_ = open(file.path_.c_str(), flags, 0666);
    if (file.fd_ < 0 && errno == EEXIST) {
        struct stat info;
        if (lstat(file.path_.c_str(), &info) == 0 &&
            (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) && unlink(file.path_.c_str()) == 0)
            file.fd_ = open(file.path_.c_str(), flags, 0666);
        else
            errno = EEXIST;
    }
    if (file.fd_ < 0)
        ThrowSystemError(errno, "Cannot create " + file.path_);
    if (format.encoding == Encoding::Utf16LE)
        file.buffer_ = "\xFF\xFE";
    else if (format.encoding == Encoding::Utf16BE)
        file.buffer_ = "\xFE\xFF";
    return file;
}

bool SequentialFile::AtEnd() const {
    return position_ >= text_.size();
}

std::string SequentialFile::ReadLine() {
    if (!open_ || mode_ != Mode::Input || AtEnd())
        throw FileError(ENODATA, "Cannot read " + path_ + ": there is no further line");
    char end = format_.lineEnd == LineEnd::Lf ? '\n' : '\r';
    size_t stop = text_.find(end, position_);
    if (stop == std::string::npos)
        stop = text_.size();
    std::string line = text_.substr(position_, stop - position_);
    position_ = stop + 1;
    if (end == '\r' && position_ < text_.size() && text_[position_] == '\n')
        ++position_;
    return line;
}

void SequentialFile::WriteLine(std::string_view text) {
    if (!open_ || mode_ != Mode::Output)
        throw FileError(EBADF, "Cannot write " + path_ + ": the file is not open for writing");
    std::string line(text);
    line += format_.lineEnd == LineEnd::Lf ? "\n" : "\r\n";
    const size_t written = buffer_.size();
    std::optional<std::string> problem;
    switch (format_.encoding) {
    case Encoding::Windows1252:
        problem = EncodeWindows1252(line, buffer_);
        break;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        problem = EncodeUtf16(line, format_.encoding == Encoding::Utf16BE, buffer_);
        break;
    }
    if (problem) {
        buffer_.resize(written); // no part of a refused line reaches the file
        throw FileError(EILSEQ, "Cannot write " + path_ + ": " + *problem +
                                    " cannot be stored in " + EncodingName(format_.encoding));
    }
    if (buffer_.size() >= kWriteChunk)
        Flush();
}

void SequentialFile::Flush() {
    size_t done = 0;
    while (done < buffer_.size()) {
        ssize_t put = write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            ThrowSystemError(errno, "Cannot write " + path_);
        done += static_cast<size_t>(put);
    }
    buffer_.clear();
}

void SequentialFile::Close() {
    if (!open_)
        return;
    open_ = false;
    text_.clear();
    if (fd_ < 0)
        return;
    Flush();
    int fd = std::exchange(fd_, -1);
    if (close(fd) != 0)
        ThrowSystemError(errno, "Cannot write " + path_);
}

} // namespace gameini

#include "SequentialFile.h"

#include "CodePage.h"
#include "Error.h"
#include "GamePath.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace gameini {
namespace {

using namespace std::literals;

constexpr size_t kChunk = 256 << 10;

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
      open_(std::exchange(other.open_, false)), fd_(std::exchange(other.fd_, -1)),
      fileSystem_(other.fileSystem_), buffer_(std::move(other.buffer_)), begin_(other.begin_),
      end_(other.end_), endOfFile_(other.endOfFile_), oddByteAtEnd_(other.oddByteAtEnd_),
      lineFeedMayFollow_(other.lineFeedMayFollow_), line_(std::move(other.line_)) {}

SequentialFile::~SequentialFile() {
    // Only reached open on an error path; the error already on its way wins.
    if (fd_ >= 0)
        close(fd_);
}

SequentialFile SequentialFile::OpenInput(std::string_view path) {
    SequentialFile file(Mode::Input, ResolvePath(path), {});
    const std::string action = "Cannot open " + file.path_ + " for reading";
    file.fd_ = open(file.path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.fd_ < 0)
        ThrowSystemError(errno, action);
    struct stat info;
    if (fstat(file.fd_, &info) != 0)
        ThrowSystemError(errno, action);
    if (!S_ISREG(info.st_mode)) {
        bool folder = S_ISDIR(info.st_mode);
        throw FileError(folder ? EISDIR : EINVAL,
                        action + ": " +
                            (folder ? "it is a folder, not a file" : "it is not a regular file"));
    }
    file.DetectFormat();
    return file;
}

void SequentialFile::DetectFormat() {
    Fill(2);
    std::string_view start = std::string_view(buffer_).substr(0, end_);
    if (StartsWith(start, 0xFF, 0xFE) || StartsWith(start, 0xFE, 0xFF)) {
        // UTF-16 files are small and rare: decode the whole file at once.
        bool bigEndian = static_cast<unsigned char>(start[0]) == 0xFE;
        format_.encoding = bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE;
        while (Fill(end_ + 1)) {
        }
        std::string text;
        oddByteAtEnd_ =
            !DecodeUtf16(std::string_view(buffer_).substr(2, end_ - 2), bigEndian, text);
        buffer_ = std::move(text);
        end_ = buffer_.size();
    }
    // Line feeds alone end the lines only in a file without any carriage
    // return. Most files show one in their first line; the rest of a file
    // without is looked through and not kept.
    const std::string_view window(buffer_.data(), end_);
    bool carriageReturn = window.find('\r') != std::string_view::npos;
    bool lineFeed = window.find('\n') != std::string_view::npos;
    std::string chunk;
    for (off_t offset = static_cast<off_t>(end_); !carriageReturn && !endOfFile_;) {
        chunk.resize(kChunk);
        ssize_t got = pread(fd_, chunk.data(), chunk.size(), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ThrowSystemError(errno, "Cannot read " + path_);
        if (got == 0)
            break;
        const std::string_view read(chunk.data(), static_cast<size_t>(got));
        carriageReturn = read.find('\r') != std::string_view::npos;
        lineFeed = lineFeed || read.find('\n') != std::string_view::npos;
        offset += got;
    }
    if (!carriageReturn && lineFeed)
        format_.lineEnd = LineEnd::Lf;
}

bool SequentialFile::Refill(size_t wanted) {
    while (end_ - begin_ < wanted && !endOfFile_) {
        if (begin_ > 0) { // keep only what is not read yet, at the front
            std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
            end_ -= begin_;
            begin_ = 0;
        }
        if (buffer_.size() < end_ + kChunk)
            buffer_.resize(end_ + kChunk);
        ssize_t got = read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ThrowSystemError(errno, "Cannot read " + path_);
        if (got == 0)
            endOfFile_ = true;
        end_ += static_cast<size_t>(got);
    }
    return end_ - begin_ >= wanted;
}

SequentialFile SequentialFile::OpenOutput(std::string_view path, TextFormat format,
                                          FileSystem& fileSystem) {
    SequentialFile file(Mode::Output, ResolvePath(path), format);
    file.fileSystem_ = &fileSystem;
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

bool SequentialFile::AtEnd() {
    if (mode_ != Mode::Input || !open_)
        return true;
    // A line feed right after a carriage return belongs to that line's end.
    if (lineFeedMayFollow_ && Fill(1)) {
        lineFeedMayFollow_ = false;
        if (buffer_[begin_] == '\n')
            ++begin_;
    }
    if (Fill(1))
        return false;
    if (oddByteAtEnd_) // the lines before it were read; this one cannot be
        throw FileError(EILSEQ, "Cannot read " + path_ +
                                    ": it starts as UTF-16 but has an odd number of bytes");
    return true;
}

std::string_view SequentialFile::ReadLine() {
    if (AtEnd())
        throw FileError(ENODATA, "Cannot read " + path_ + ": there is no further line");
    const char end = format_.lineEnd == LineEnd::Lf ? '\n' : '\r';
    size_t scanned = 0, stop;
    for (;;) {
        const char* from = buffer_.data() + begin_;
        const void* found = std::memchr(from + scanned, end, end_ - begin_ - scanned);
        if (found != nullptr) {
            stop = static_cast<size_t>(static_cast<const char*>(found) - buffer_.data());
            break;
        }
        scanned = end_ - begin_;
        if (!Fill(scanned + 1)) {
            stop = end_; // the last line needs no line end
            break;
        }
    }
    std::string_view line(buffer_.data() + begin_, stop - begin_);
    begin_ = std::min(stop + 1, end_);
    lineFeedMayFollow_ = end == '\r' && stop < end_;
    if (format_.encoding != Encoding::Windows1252 || IsAscii(line))
        return line;
    line_.clear();
    DecodeWindows1252(line, line_);
    return line_;
}

void SequentialFile::WriteLine(std::string_view text) {
    if (!open_ || mode_ != Mode::Output)
        throw FileError(EBADF, "Cannot write " + path_ + ": the file is not open for writing");
    const size_t written = buffer_.size();
    const std::string_view lineEnd = format_.lineEnd == LineEnd::Lf ? "\n"sv : "\r\n"sv;
    std::optional<std::string> problem = Encode(text);
    if (!problem && format_.encoding == Encoding::Windows1252)
        buffer_ += lineEnd;
    else if (!problem)
        problem = Encode(lineEnd);
    if (problem) {
        buffer_.resize(written); // no part of a refused line reaches the file
        throw FileError(EILSEQ, "Cannot write " + path_ + ": " + *problem +
                                    " cannot be stored in " + EncodingName(format_.encoding));
    }
    if (buffer_.size() >= kChunk)
        Flush();
}

std::optional<std::string> SequentialFile::Encode(std::string_view text) {
    if (format_.encoding == Encoding::Windows1252)
        return EncodeWindows1252(text, buffer_);
    return EncodeUtf16(text, format_.encoding == Encoding::Utf16BE, buffer_);
}

void SequentialFile::Flush() {
    fileSystem_->Write(fd_, buffer_, path_);
    buffer_.clear();
}

void SequentialFile::Close() {
    if (!open_)
        return;
    open_ = false;
    if (mode_ == Mode::Output)
        Flush();
    buffer_.clear();
    int fd = std::exchange(fd_, -1);
    if (mode_ == Mode::Output)
        fileSystem_->Close(fd, path_);
    else
        close(fd);
}

} // namespace gameini

#include "gameini/SequentialFile.h"

#include "gameini/CodePage.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/SystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <utility>

namespace gameini {
namespace {

using namespace std::literals;

constexpr size_t kChunk = 256 << 10;

bool StartsWith(std::string_view bytes, unsigned char first, unsigned char second) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == first &&
           static_cast<unsigned char>(bytes[1]) == second;
}

// Marks where among the `count` (at most 64) bytes from `from` a line break
// and a CR stand: bit i for byte i. Sixteen bytes at a time where the
// processor can: lines are short, files long, so one look serves several
// lines.
void MarkBytes(const char* from, size_t count, uint64_t& breaks, uint64_t& cr) {
    breaks = cr = 0;
    size_t at = 0;
#if defined(__SSE2__)
    const __m128i carriageReturn = _mm_set1_epi8('\r'), lineFeed = _mm_set1_epi8('\n');
    auto mask = [](__m128i bytes) {
        return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(bytes)));
    };
    for (; at + 16 <= count; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at));
        const __m128i crs = _mm_cmpeq_epi8(bytes, carriageReturn);
        breaks |= mask(_mm_or_si128(crs, _mm_cmpeq_epi8(bytes, lineFeed))) << at;
        cr |= mask(crs) << at;
    }
#endif
    for (; at < count; ++at) {
        breaks |= static_cast<uint64_t>(from[at] == '\r' || from[at] == '\n') << at;
        cr |= static_cast<uint64_t>(from[at] == '\r') << at;
    }
}

// Eight bytes at a time: nearly every line asked for is ASCII.
bool IsAscii(std::string_view text) {
    uint64_t any = 0;
    size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        any |= word;
    }
    for (; at < text.size(); ++at)
        any |= static_cast<unsigned char>(text[at]);
    return (any & 0x8080808080808080) == 0;
}

std::string_view LineEndText(LineEnd lineEnd) {
    switch (lineEnd) {
    case LineEnd::CrLf:
        return "\r\n"sv;
    case LineEnd::Cr:
        return "\r"sv;
    case LineEnd::Lf:
        return "\n"sv;
    case LineEnd::None:
        break;
    }
    return {};
}

} // namespace

const char* EncodingName(Encoding encoding) {
    return encoding == Encoding::Windows1252 ? "Windows-1252" : "UTF-16";
}

std::optional<std::string> EncodeLine(std::string_view text, LineEnd lineEnd, Encoding encoding,
                                      std::string& out) {
    const size_t written = out.size();
    const std::string_view end = LineEndText(lineEnd);
    std::optional<std::string> problem;
    if (encoding == Encoding::Windows1252) {
        problem = EncodeWindows1252(text, out);
        out += end;
    } else {
        const bool bigEndian = encoding == Encoding::Utf16BE;
        problem = EncodeUtf16(text, bigEndian, out);
        if (!problem)
            EncodeUtf16(end, bigEndian, out);
    }
    if (problem)
        out.resize(written); // no part of a refused line is kept
    return problem;
}

SequentialFile::SequentialFile(SequentialFile&& other) noexcept
    : path_(std::move(other.path_)), format_(other.format_),
      open_(std::exchange(other.open_, false)), file_(std::move(other.file_)),
      openedAs_(other.openedAs_), buffer_(std::move(other.buffer_)), begin_(other.begin_),
      end_(other.end_), windowOffset_(other.windowOffset_), lastLineOffset_(other.lastLineOffset_),
      endOfFile_(other.endOfFile_), oddByteAtEnd_(other.oddByteAtEnd_),
      lastLineEnd_(other.lastLineEnd_), lineNumber_(other.lineNumber_),
      lastLineBytes_(other.lastLineBytes_), lastLineDecoded_(std::move(other.lastLineDecoded_)) {}

void RefuseUnlessRegular(const FileStatus& status, const std::string& path) {
    if (status.IsRegular())
        return;
    const bool folder = status.kind == FileStatus::Kind::Folder;
    throw DamageError(path,
                      "Cannot open " + path + " for reading: " +
                          (folder ? "it is a folder, not a file" : "it is not a regular file"));
}

SequentialFile SequentialFile::OpenInput(std::string_view path) {
    SequentialFile file(ResolvePath(path));
    const std::string action = "Cannot open " + file.path_ + " for reading";
    file.file_ = FileDescriptor{OpenToRead(file.path_)};
    if (file.file_.Get() < 0)
        ThrowSystemError(errno, action);
    const std::optional<FileStatus> status = StatusOf(file.file_.Get());
    if (!status)
        ThrowSystemError(errno, action);
    file.openedAs_ = *status;
    RefuseUnlessRegular(*status, file.path_);
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
}

bool SequentialFile::Refill(size_t wanted) {
    while (end_ - begin_ < wanted && !endOfFile_) {
        if (begin_ > 0) { // keep only what is not read yet, at the front
            std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
            windowOffset_ += begin_;
            end_ -= begin_;
            begin_ = 0;
            marks_ = {}; // they were for bytes now moved
        }
        if (buffer_.size() < end_ + kChunk)
            buffer_.resize(end_ + kChunk);
        const ReadResult read =
            ReadFully(file_.Get(), buffer_.data() + end_, buffer_.size() - end_);
        if (read.error != 0)
            ThrowSystemError(read.error, "Cannot read " + path_);
        endOfFile_ = read.got < buffer_.size() - end_;
        end_ += read.got;
    }
    return end_ - begin_ >= wanted;
}

bool SequentialFile::AtEndOfFile() {
    if (!open_)
        return true;
    if (Fill(1))
        return false;
    if (oddByteAtEnd_) // the lines before it were read; this one cannot be
        throw ConfigurationError("Cannot read " + path_ +
                                 ": it starts as UTF-16 but has an odd number of bytes");
    return true;
}

std::string_view SequentialFile::ReadLineUndecoded() {
    if (AtEnd())
        throw std::logic_error("Cannot read " + path_ + ": there is no further line");
    // Offsets from begin_, which stay valid when Fill moves the window.
    size_t scanned = 0, stop;
    for (;;) {
        const size_t at = begin_ + scanned;
        if (at >= end_) {
            if (!Fill(scanned + 1)) {
                stop = end_ - begin_; // the last line needs no line end
                break;
            }
            continue;
        }
        const Marks& marks = MarksAt(at);
        const uint64_t breaks = marks.breaks >> (at - marks.from);
        if (breaks != 0) {
            stop = scanned + static_cast<size_t>(__builtin_ctzll(breaks));
            break;
        }
        scanned = marks.to - begin_;
    }
    size_t endLength = 0;
    lastLineEnd_ = LineEnd::None;
    if (stop < end_ - begin_ && buffer_[begin_ + stop] == '\n') {
        lastLineEnd_ = LineEnd::Lf;
        endLength = 1;
    } else if (stop < end_ - begin_) { // a line feed right after it belongs to the line end
        const bool pair = Fill(stop + 2) && buffer_[begin_ + stop + 1] == '\n';
        lastLineEnd_ = pair ? LineEnd::CrLf : LineEnd::Cr;
        endLength = pair ? 2 : 1;
    }
    lastLineBytes_ = std::string_view(buffer_.data() + begin_, stop);
    lastLineOffset_ = windowOffset_ + begin_;
    ++lineNumber_;
    lastLineDecoded_.reset();
    begin_ += stop + endLength;
    return lastLineBytes_;
}

void SequentialFile::MarkFrom(size_t at) {
    marks_.from = at;
    marks_.to = at + std::min<size_t>(64, end_ - at);
    MarkBytes(buffer_.data() + at, marks_.to - at, marks_.breaks, marks_.cr);
}

bool SequentialFile::SkipToLineStartingWith(const ByteSet& firstBytes) {
    if (AtEnd())
        return false;
    if (firstBytes.Contains(buffer_[begin_]))
        return true;
    // The line starts among the marked bytes: after each line end, where the
    // LF of a CR LF pair is no start of its own. Flags carry them from one
    // block to the next; begin_ moves on a block at a time, so that a chunked
    // window never has to hold what was skipped.
    bool afterBreak = false, afterCr = false;
    while (Fill(64) || end_ > begin_) {
        const Marks& marks = MarksAt(begin_);
        const unsigned shift = static_cast<unsigned>(begin_ - marks.from);
        const size_t count = marks.to - begin_;
        const uint64_t breaks = marks.breaks >> shift, cr = marks.cr >> shift, lf = breaks & ~cr;
        const uint64_t inBlock = count == 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1;
        uint64_t starts = ((breaks << 1) | afterBreak) & ~(lf & ((cr << 1) | afterCr)) & inBlock;
        const char* block = buffer_.data() + begin_;
        size_t passed = 0; // lines, each ended before a start
        for (; starts != 0; starts &= starts - 1) {
            ++passed;
            const auto start = static_cast<size_t>(__builtin_ctzll(starts));
            if (firstBytes.Contains(block[start])) {
                lineNumber_ += passed;
                begin_ += start;
                return true;
            }
        }
        lineNumber_ += passed;
        afterBreak = ((breaks >> (count - 1)) & 1) != 0;
        afterCr = ((cr >> (count - 1)) & 1) != 0;
        begin_ += count;
    }
    return !AtEnd();
}

std::string_view SequentialFile::ReadLine() {
    ReadLineUndecoded();
    return LastLineText();
}

std::string_view SequentialFile::LastLineText() const {
    if (format_.encoding != Encoding::Windows1252 || IsAscii(lastLineBytes_))
        return lastLineBytes_;
    if (!lastLineDecoded_)
        DecodeWindows1252(lastLineBytes_, lastLineDecoded_.emplace());
    return *lastLineDecoded_;
}

void SequentialFile::Close() {
    open_ = false;
    buffer_.clear();
    file_ = FileDescriptor{}; // unless the caller took the file over
}

} // namespace gameini

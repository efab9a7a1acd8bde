#pragma once

#include "gameini/FileDescriptor.h"
#include "gameini/SystemCalls.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gameini {

enum class Encoding { Windows1252, Utf16LE, Utf16BE };
// How a line ended; None only for a last line that has no line end.
enum class LineEnd { None, CrLf, Cr, Lf };

// Throws DamageError, "Cannot open PATH for reading: ...", when the file
// opened as a configuration is a folder, a FIFO or a device.
void RefuseUnlessRegular(const FileStatus& status, const std::string& path);

// A set of byte values, such as the first bytes of the lines a reader wants.
class ByteSet {
public:
    constexpr explicit ByteSet(std::string_view bytes) {
        for (const char byte : bytes)
            contains_[static_cast<unsigned char>(byte)] = true;
    }
    constexpr bool Contains(char byte) const { return contains_[static_cast<unsigned char>(byte)]; }
    static constexpr ByteSet Every() {
        ByteSet every("");
        for (bool& contains : every.contains_)
            contains = true;
        return every;
    }

private:
    bool contains_[256] = {}; // one look, for every line start a reader passes
};

// How a file's text is stored: read from a file's bytes when it is opened for
// input, and handed to the output file so that a rewrite keeps the format.
struct TextFormat {
    Encoding encoding = Encoding::Windows1252;
    bool operator==(const TextFormat&) const = default;
};

// The encoding as users know it: "Windows-1252" or "UTF-16".
const char* EncodingName(Encoding encoding);

// Appends `text` and its line end to `out` as a file in `encoding` stores
// them. Describes the first character it cannot store, and then appends
// nothing.
std::optional<std::string> EncodeLine(std::string_view text, LineEnd lineEnd, Encoding encoding,
                                      std::string& out);

// One text file read line by line. A line ends where the game's own reader
// ends it, at the first CR LF, lone CR or lone LF, and remembers which of
// them it was. A file starting with FF FE or FE FF is UTF-16 (framed by code
// units); anything else is Windows-1252. Lines are UTF-8 inside.
//
// A failure of the system throws FileError naming the file; a name that is
// no regular file, DamageError; a UTF-16 file with an odd number of bytes,
// ConfigurationError.
class SequentialFile {
public:
    // Opens an existing regular file; never creates one and never blocks on a
    // FIFO or device. The name is looked up without regard to letter case.
    // It moves along the file in a window of a few hundred KiB.
    static SequentialFile OpenInput(std::string_view path);

    SequentialFile(SequentialFile&& other) noexcept;
    SequentialFile& operator=(SequentialFile&&) = delete;

    const TextFormat& Format() const { return format_; }
    // The path as found, in the letter case the file system stores.
    const std::string& Path() const { return path_; }
    // Reads ahead when it must, so it can fail like a read.
    bool AtEnd() { return !(open_ && end_ > begin_) && AtEndOfFile(); } // inline: once a line
    // The line stays valid until the next call of AtEnd or ReadLine.
    std::string_view ReadLine();
    // Reads the next line as stored, without turning Windows-1252 into UTF-8:
    // enough to tell lines apart by their ASCII. LastLineText gives its text.
    std::string_view ReadLineUndecoded();
    std::string_view LastLineText() const;
    // Passes over the lines that do not start with one of `firstBytes`
    // (empty lines among them), looking at nothing of them but their first
    // byte: most lines of a configuration matter to no rule. False at the
    // end of the file.
    bool SkipToLineStartingWith(const ByteSet& firstBytes);
    // The number of the line read last, counting from 1, skipped lines included.
    size_t LineNumber() const { return lineNumber_; }
    // In Windows-1252: where the line read last starts in the file.
    size_t LastLineOffset() const { return lastLineOffset_; }
    // The file as it was when opened, and the open file itself, which the
    // caller takes over once reading is done.
    const FileStatus& OpenedAs() const { return openedAs_; }
    FileDescriptor TakeFile() { return std::move(file_); }
    // The line end of the line ReadLine returned last.
    LineEnd LastLineEnd() const { return lastLineEnd_; }
    void Close();

private:
    explicit SequentialFile(std::string path) : path_(std::move(path)) {}

    std::string path_;
    TextFormat format_;
    bool open_ = true;
    // Makes `wanted` bytes past begin_ available in the window unless the
    // file ends first; false when it does.
    bool Fill(size_t wanted) { return end_ - begin_ >= wanted || Refill(wanted); }
    bool Refill(size_t wanted);
    bool AtEndOfFile();
    void DetectFormat();

    FileDescriptor file_;
    FileStatus openedAs_;
    // A window on the file, read a chunk at a time (or all of it); bytes as
    // stored for Windows-1252 (a line is decoded when its text is asked
    // for), and the whole text as UTF-8 for UTF-16.
    std::string buffer_;
    size_t begin_ = 0, end_ = 0;
    size_t windowOffset_ = 0; // where in the file buffer_ starts
    size_t lastLineOffset_ = 0;
    bool endOfFile_ = false;
    // Which of the bytes from `from` up to `to` (offsets in the window,
    // at most 64 apart) are line breaks (CR or LF), and which CRs; one look
    // serves several short lines.
    struct Marks {
        size_t from = 0, to = 0;
        uint64_t breaks = 0, cr = 0;
    };
    Marks marks_;
    // The marks of the bytes from `at`, which must lie in the window.
    const Marks& MarksAt(size_t at) { // inline: asked for every line and block
        if (at < marks_.from || at >= marks_.to)
            MarkFrom(at);
        return marks_;
    }
    void MarkFrom(size_t at);
    bool oddByteAtEnd_ = false; // a UTF-16 file with half a character at its end
    LineEnd lastLineEnd_ = LineEnd::None;
    size_t lineNumber_ = 0;
    std::string_view lastLineBytes_; // the line read last, as stored
    // The line read last as UTF-8, once a Windows-1252 line outside ASCII
    // has been asked for as text.
    mutable std::optional<std::string> lastLineDecoded_;
};

} // namespace gameini

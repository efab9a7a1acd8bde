#pragma once

#include <string>
#include <string_view>

namespace gameini {

enum class Encoding { Windows1252, Utf16LE, Utf16BE };
enum class LineEnd { CrLf, Lf };

// How a file's text is stored: read from a file's bytes when it is opened for
// input, and handed to the output file so that a rewrite keeps the format.
struct TextFormat {
    Encoding encoding = Encoding::Windows1252;
    LineEnd lineEnd = LineEnd::CrLf;
    bool operator==(const TextFormat&) const = default;
};

// One text file opened for reading or for writing, line by line.
//
// Reading: a line runs up to the next carriage return, and a line feed right
// after it belongs to the line end; a lone line feed is part of the text. A
// file with line feeds but no carriage return at all (as the game's Linux
// builds write) is framed at line feeds instead. A file starting with FF FE or
// FE FF is UTF-16; anything else is Windows-1252. Lines are UTF-8 inside.
//
// Writing: every line gets the format's line end, the last one too.
//
// Every failure throws FileError naming the file.
class SequentialFile {
public:
    // Opens an existing regular file; never creates one and never blocks on a
    // FIFO or device. The name is looked up without regard to letter case.
    static SequentialFile OpenInput(std::string_view path);
    // Creates the file afresh in the given format. A file or symbolic link of
    // that name is removed first, so a link is never followed.
    static SequentialFile OpenOutput(std::string_view path, TextFormat format = {});

    SequentialFile(SequentialFile&& other) noexcept;
    SequentialFile& operator=(SequentialFile&&) = delete;
    ~SequentialFile();

    const TextFormat& Format() const { return format_; }
    bool AtEnd() const;
    std::string ReadLine();
    void WriteLine(std::string_view text);
    void Close();

private:
    enum class Mode { Input, Output };
    SequentialFile(Mode mode, std::string path, TextFormat format);
    void Flush();

    Mode mode_;
    std::string path_;
    TextFormat format_;
    bool open_ = true;
    std::string text_; // input: the whole decoded text
    size_t position_ = 0;
    int fd_ = -1;        // output
    std::string buffer_; // output: bytes not yet written
};

} // namespace gameini

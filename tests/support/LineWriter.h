#pragma once

#include "gameini/Error.h"
#include "gameini/SequentialFile.h"

#include <string>
#include <string_view>

// Lines as a configuration stores them, in Windows-1252 or in UTF-16 after
// its byte-order mark: the reader's counterpart, for the tests and the
// fuzzer that check what comes back.
class LineWriter {
public:
    explicit LineWriter(gameini::TextFormat format = {}) : encoding_(format.encoding) {
        if (encoding_ == gameini::Encoding::Utf16LE)
            bytes_ = "\xFF\xFE";
        else if (encoding_ == gameini::Encoding::Utf16BE)
            bytes_ = "\xFE\xFF";
    }
    // Throws ConfigurationError for a line the encoding cannot store.
    void WriteLine(std::string_view text, gameini::LineEnd end = gameini::LineEnd::CrLf) {
        if (const auto problem = gameini::EncodeLine(text, end, encoding_, bytes_))
            throw gameini::ConfigurationError(*problem + " cannot be stored in " +
                                              gameini::EncodingName(encoding_));
    }
    const std::string& Bytes() const { return bytes_; }

private:
    gameini::Encoding encoding_;
    std::string bytes_;
};

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gameini {

// Conversions between the bytes of a configuration file and the UTF-8 text the
// program works with. Decoding never fails and encoding the decoded text gives
// back the same bytes. Encoders append to `out` and return a description of the
// first character they cannot store, or nothing when all went well.

// Windows-1252: every byte is one character. The five bytes the code page
// leaves undefined stand for U+0081, U+008D, U+008F, U+0090 and U+009D.
void DecodeWindows1252(std::string_view bytes, std::string& out);
std::optional<std::string> EncodeWindows1252(std::string_view text, std::string& out);

// UTF-16 without its byte-order mark. A lone surrogate is carried through as
// its three-byte UTF-8 form, so that such a file, too, is written back as read.
// An odd trailing byte cannot be decoded: the decoder returns false.
bool DecodeUtf16(std::string_view bytes, bool bigEndian, std::string& out);
std::optional<std::string> EncodeUtf16(std::string_view text, bool bigEndian, std::string& out);

} // namespace gameini

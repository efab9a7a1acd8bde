#include "gameini/CodePage.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace gameini {
namespace {

// Code points of the bytes 0x80..0x9F; every other byte is its own code point.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t Windows1252CodePoint(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : byte;
}

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Reads one code point at `pos` and moves past it; kInvalid for bytes that are
// not UTF-8 (surrogates are accepted, see DecodeUtf16).
char32_t NextCodePoint(std::string_view text, size_t& pos) {
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    int length = lead < 0x80                    ? 1
                 : lead >= 0xC2 && lead <= 0xDF ? 2
                 : lead >= 0xE0 && lead <= 0xEF ? 3
                 : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                : 0;
    if (length == 0 || pos + length > text.size())
        return kInvalid;
    char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[pos + i]);
        if ((c & 0xC0) != 0x80)
            return kInvalid;
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || cp > 0x10FFFF)
        return kInvalid;
    pos += length;
    return cp;
}

std::string Describe(char32_t cp) {
    std::string text;
    AppendUtf8(cp, text);
    return "the character \"" + text + "\"";
}

std::string DescribeInvalid(std::string_view text, size_t pos) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[pos]));
    return std::string("the byte ") + byte + " (not valid UTF-8)";
}

// Every character in a run of ASCII is stored as itself in both code pages'
// single-byte range, so the converters copy such runs in one go. Eight bytes
// are tested at a time: configuration files are almost all ASCII.
size_t AsciiRun(std::string_view text, size_t pos) {
    constexpr uint64_t kHighBits = 0x8080808080808080u;
    const char* start = text.data() + pos;
    const size_t length = text.size() - pos;
    size_t end = 0;
    uint64_t word;
    for (; end + sizeof word <= length; end += sizeof word) {
        std::memcpy(&word, start + end, sizeof word);
        if (word & kHighBits)
            break;
    }
    const bool shortTail = end + sizeof word > length;
    if (shortTail && end < length && length >= sizeof word) {
        // The last bytes, read as one word that overlaps the ones tested.
        std::memcpy(&word, start + length - sizeof word, sizeof word);
        if ((word & kHighBits) == 0)
            return length;
    }
    while (end < length && static_cast<unsigned char>(start[end]) < 0x80)
        ++end;
    return end;
}

} // namespace

void DecodeWindows1252(std::string_view bytes, std::string& out) {
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t ascii = AsciiRun(bytes, pos);
        out.append(bytes.data() + pos, ascii);
        pos += ascii;
        if (pos < bytes.size())
            AppendUtf8(Windows1252CodePoint(static_cast<unsigned char>(bytes[pos++])), out);
    }
}

namespace {

// The byte that stores `cp` in Windows-1252, or -1.
int Windows1252Byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == cp)
            return static_cast<int>(0x80 + i);
    return -1;
}

// The part of EncodeWindows1252 past the first character outside ASCII.
std::optional<std::string> EncodeWindows1252From(std::string_view text, size_t pos,
                                                 std::string& out) {
    while (pos < text.size()) {
        size_t start = pos;
        char32_t cp = NextCodePoint(text, pos);
        if (cp == kInvalid)
            return DescribeInvalid(text, start);
        int byte = Windows1252Byte(cp);
        if (byte < 0)
            return Describe(cp);
        out += static_cast<char>(byte);
        size_t ascii = AsciiRun(text, pos);
        out.append(text.data() + pos, ascii);
        pos += ascii;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> EncodeWindows1252(std::string_view text, std::string& out) {
    size_t ascii = AsciiRun(text, 0);
    out.append(text.data(), ascii);
    if (ascii == text.size())
        return std::nullopt;
    return EncodeWindows1252From(text, ascii, out);
}

bool DecodeUtf16(std::string_view bytes, bool bigEndian, std::string& out) {
    auto unitAt = [&](size_t i) -> char32_t {
        unsigned char first = static_cast<unsigned char>(bytes[i]);
        unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (first << 8) | second : (second << 8) | first;
    };
    out.reserve(out.size() + bytes.size() / 2);
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
                i += 2;
                continue;
            }
        }
        AppendUtf8(unit, out);
    }
    return i == bytes.size();
}

std::optional<std::string> EncodeUtf16(std::string_view text, bool bigEndian, std::string& out) {
    auto putUnit = [&](char32_t unit) {
        char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    out.reserve(out.size() + text.size() * 2);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t start = pos;
        char32_t cp = NextCodePoint(text, pos);
        if (cp == kInvalid)
            return DescribeInvalid(text, start);
        if (cp >= 0x10000) {
            putUnit(0xD800 + ((cp - 0x10000) >> 10));
            putUnit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            putUnit(cp);
        }
    }
    return std::nullopt;
}

} // namespace gameini

#include "gameini/TextCase.h"

#include <cstdint>
#include <cstring>

namespace gameini {
namespace {

constexpr uint64_t kOnes = 0x0101010101010101u;
constexpr uint64_t kHighBits = 0x8080808080808080u;

// Lower-cases eight ASCII bytes at once: a byte gains 0x20 where it lies in
// 'A'..'Z'. Adding to each byte sets its high bit exactly when it reaches the
// bound, and no byte below 0x80 carries into the next.
uint64_t LowerAsciiWord(uint64_t word) {
    uint64_t fromA = word + (0x80 - 'A') * kOnes;
    uint64_t pastZ = word + (0x80 - 'Z' - 1) * kOnes;
    return word | ((fromA & ~pastZ & kHighBits) >> 2);
}

} // namespace

std::string LowerCase(std::string_view text) {
    std::string result(text);
    char* bytes = result.data();
    const size_t size = result.size();
    size_t i = 0;
    while (i < size) {
        uint64_t word;
        if (i + sizeof word <= size) {
            std::memcpy(&word, bytes + i, sizeof word);
            if ((word & kHighBits) == 0) {
                word = LowerAsciiWord(word);
                std::memcpy(bytes + i, &word, sizeof word);
                i += sizeof word;
                continue;
            }
        }
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        unsigned char next = i + 1 < size ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (c >= 'A' && c <= 'Z') {
            bytes[i] = static_cast<char>(c + ('a' - 'A'));
        } else if (c == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) {
            // U+00C0..U+00DE without U+00D7 (×): small letter is 0x20 higher.
            bytes[++i] = static_cast<char>(next + 0x20);
        } else if (c == 0xC5 && (next == 0xA0 || next == 0x92 || next == 0xBD)) {
            // Š Œ Ž: the small letter follows the capital.
            bytes[++i] = static_cast<char>(next + 1);
        } else if (c == 0xC5 && next == 0xB8) {
            // Ÿ (U+0178) becomes ÿ (U+00FF).
            bytes[i] = static_cast<char>(0xC3);
            bytes[++i] = static_cast<char>(0xBF);
        }
        ++i;
    }
    return result;
}

} // namespace gameini

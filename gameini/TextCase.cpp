#include "TextCase.h"

namespace gameini {

std::string LowerCase(std::string_view text) {
    std::string result(text);
    for (size_t i = 0; i < result.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(result[i]);
        if (c >= 'A' && c <= 'Z') {
            result[i] = static_cast<char>(c + ('a' - 'A'));
            continue;
        }
        if (i + 1 >= result.size())
            break;
        unsigned char next = static_cast<unsigned char>(result[i + 1]);
        if (c == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) {
            // U+00C0..U+00DE without U+00D7 (×): small letter is 0x20 higher.
            result[i + 1] = static_cast<char>(next + 0x20);
            ++i;
        } else if (c == 0xC5 && (next == 0xA0 || next == 0x92 || next == 0xBD)) {
            // Š Œ Ž: the small letter follows the capital.
            result[i + 1] = static_cast<char>(next + 1);
            ++i;
        } else if (c == 0xC5 && next == 0xB8) {
            // Ÿ (U+0178) becomes ÿ (U+00FF).
            result[i] = static_cast<char>(0xC3);
            result[i + 1] = static_cast<char>(0xBF);
            ++i;
        }
    }
    return result;
}

} // namespace gameini

#include "Diff.h"

#include "CodePage.h"

#include <dtl/dtl.hpp>
#include <vector>

namespace {

// The text of a configuration's bytes as UTF-8, by its byte-order mark.
std::string AsText(const std::string& bytes) {
    std::string text;
    const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    if (utf16)
        gameini::DecodeUtf16(std::string_view(bytes).substr(2), bytes[0] == '\xFE', text);
    else
        gameini::DecodeWindows1252(bytes, text);
    return text;
}

// Lines as the game ends them: at CR LF, a lone CR or a lone LF.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

} // namespace

void PrintDiff(std::ostream& out, const std::string& path, const std::string& before,
               const std::string& after) {
    dtl::Diff<std::string> diff(Lines(AsText(before)), Lines(AsText(after)));
    diff.onHuge();
    diff.compose();
    diff.composeUnifiedHunks();
    out << "--- " << path << "\n+++ " << path << " (new)\n";
    diff.printUnifiedFormat(out);
    if (diff.getEditDistance() == 0)
        out << "(only line ends change)\n";
}

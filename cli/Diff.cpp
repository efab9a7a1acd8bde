#include "cli/Diff.h"

#include "gameini/CodePage.h"
#include "gameini/RewritePlan.h"

#include <algorithm>
#include <dtl/dtl.hpp>
#include <string_view>
#include <vector>

namespace cli {

namespace {

constexpr size_t kContext = gameini::kDiffContext;

// The configuration's bytes as patch sees them: a Windows-1252 file's own,
// UTF-16 decoded into `decoded` as UTF-8 text.
std::string_view PatchText(const std::string& bytes, std::string& decoded) {
    if (!bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xFE\xFF"))
        return bytes;
    gameini::DecodeUtf16(std::string_view(bytes).substr(2), bytes[0] == '\xFE', decoded);
    return decoded;
}

// The part of both texts a diff needs: from `context` whole lines before the
// first byte that differs to `context` lines after the last, and how many
// lines stand before it. A change touches a few lines of a file that may be
// large, so neither is split into lines whole.
struct Excerpt {
    std::string_view before, after;
    size_t linesBefore = 0;
};
Excerpt ChangedPart(std::string_view before, std::string_view after) {
    const size_t shorter = std::min(before.size(), after.size());
    size_t head =
        std::mismatch(before.begin(), before.begin() + static_cast<long>(shorter), after.begin())
            .first -
        before.begin();
    size_t tail = 0;
    while (tail < shorter - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    // Back to the start of the line, then `kContext` lines more.
    for (size_t lines = 0; head > 0 && lines <= kContext; --head)
        if (before[head - 1] == '\n' && ++lines > kContext)
            break;
    // On to the end of the line, then `kContext` lines more.
    size_t end = before.size() - tail;
    for (size_t lines = 0; end < before.size() && lines <= kContext; ++end)
        if (before[end] == '\n' && ++lines > kContext) {
            ++end;
            break;
        }
    tail = before.size() - end;
    return {before.substr(head, before.size() - head - tail),
            after.substr(head, after.size() - head - tail),
            static_cast<size_t>(
                std::count(before.begin(), before.begin() + static_cast<long>(head), '\n'))};
}

// Each line with its line feed, if it has one.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size() - 1) + 1;
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return lines;
}

struct Edit {
    char mark; // ' ', '-' or '+'
    std::string_view line;
};

// The edits turning `a` into `b`. Lines alike at both ends are set aside
// first: a change touches a few lines of a file that may be large.
std::vector<Edit> Edits(const std::vector<std::string_view>& a,
                        const std::vector<std::string_view>& b) {
    size_t head = 0, tail = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    std::vector<Edit> edits;
    for (size_t i = 0; i < head; ++i)
        edits.push_back({' ', a[i]});
    dtl::Diff<std::string_view> diff(
        std::vector<std::string_view>(a.begin() + head, a.end() - tail),
        std::vector<std::string_view>(b.begin() + head, b.end() - tail));
    diff.onHuge();
    diff.compose();
    for (const auto& [line, info] : diff.getSes().getSequence())
        edits.push_back({info.type == dtl::SES_ADD      ? '+'
                         : info.type == dtl::SES_DELETE ? '-'
                                                        : ' ',
                         line});
    for (size_t i = a.size() - tail; i < a.size(); ++i)
        edits.push_back({' ', a[i]});
    return edits;
}

// A hunk's range as GNU diff writes it: "5" for one line, "4,0" for none
// (after line 4), "5,3" otherwise.
std::string Range(size_t first, size_t count) {
    if (count == 1)
        return std::to_string(first);
    return std::to_string(count == 0 ? first - 1 : first) + "," + std::to_string(count);
}

} // namespace

std::string UnifiedDiff(const std::string& path, const std::string& before,
                        const std::string& after, size_t linesBefore) {
    std::string decodedBefore, decodedAfter;
    const Excerpt part =
        ChangedPart(PatchText(before, decodedBefore), PatchText(after, decodedAfter));
    const std::vector<Edit> edits = Edits(Lines(part.before), Lines(part.after));
    std::string out = "--- " + path + "\n+++ " + path + " (new)\n";
    size_t lineBefore = 1 + linesBefore + part.linesBefore, lineAfter = lineBefore; // of edits[at]
    for (size_t at = 0; at < edits.size();) {
        auto changed = [&](size_t i) { return edits[i].mark != ' '; };
        size_t first = at;
        while (first < edits.size() && !changed(first))
            ++first;
        if (first == edits.size())
            break;
        // The hunk runs on while the next change is within two contexts.
        size_t last = first;
        for (size_t i = first; i < edits.size() && i <= last + 2 * kContext + 1; ++i)
            if (changed(i))
                last = i;
        const size_t start = first - std::min(kContext, first - at);
        const size_t end = std::min(edits.size(), last + 1 + kContext);
        for (; at < start; ++at) {
            ++lineBefore;
            ++lineAfter;
        }
        size_t countBefore = 0, countAfter = 0;
        for (size_t i = start; i < end; ++i) {
            countBefore += edits[i].mark != '+';
            countAfter += edits[i].mark != '-';
        }
        out +=
            "@@ -" + Range(lineBefore, countBefore) + " +" + Range(lineAfter, countAfter) + " @@\n";
        for (; at < end; ++at) {
            out += edits[at].mark;
            out += edits[at].line;
            if (!edits[at].line.ends_with('\n'))
                out += "\n\\ No newline at end of file\n";
        }
        lineBefore += countBefore;
        lineAfter += countAfter;
    }
    return out;
}

} // namespace cli

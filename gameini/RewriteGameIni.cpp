#include "RewriteGameIni.h"

#include "Error.h"

#include <cerrno>
#include <optional>
#include <utility>

namespace gameini {
namespace {

constexpr size_t kPiece = 256 << 10;
constexpr std::string_view kHeader = "[Engine.GameEngine]";

std::string PackageLine(std::string_view name) {
    return "ServerPackages=" + std::string(name);
}

// The lines that stand where one header or package line stood. All but the
// last end with `end`, or with the file's first line end where the line had
// none (it ended the file and is now followed by another); the last keeps
// the line's own end, so a file that ended without one still does.
std::string EncodeLines(const std::vector<std::string>& lines, LineEnd own, LineEnd first,
                        Encoding encoding) {
    std::string bytes;
    for (size_t i = 0; i < lines.size(); ++i) {
        const LineEnd end = i + 1 == lines.size() ? own : own == LineEnd::None ? first : own;
        EncodeLine(lines[i], end, encoding, bytes);
    }
    return bytes;
}

size_t LineEndLength(LineEnd end) {
    return end == LineEnd::CrLf ? 2 : end == LineEnd::None ? 0 : 1;
}

// How many bytes the line end at the end of `bytes` takes, if it ends with one.
size_t TrailingLineEnd(std::string_view bytes, Encoding encoding) {
    auto endsWith = [&](std::string_view unit) { return bytes.ends_with(unit); };
    using namespace std::literals;
    switch (encoding) {
    case Encoding::Windows1252:
        return endsWith("\r\n"sv) ? 2 : endsWith("\r"sv) || endsWith("\n"sv) ? 1 : 0;
    case Encoding::Utf16LE:
        return endsWith("\r\0\n\0"sv) ? 4 : endsWith("\r\0"sv) || endsWith("\n\0"sv) ? 2 : 0;
    case Encoding::Utf16BE:
        return endsWith("\0\r\0\n"sv) ? 4 : endsWith("\0\r"sv) || endsWith("\0\n"sv) ? 2 : 0;
    }
    return 0;
}

// A header or package line as the pass meets it.
struct SlotLine {
    bool header;
    std::string text;
    LineEnd end;
};

} // namespace

RewrittenGameIni RewriteGameIni(std::string_view source, const EditPackages& edit) {
    RewrittenGameIni result;
    SequentialFile input = SequentialFile::OpenInput(source, SequentialFile::Window::WholeFile);
    result.path_ = input.Path();
    const Encoding encoding = input.Format().encoding;
    result.contents_.encoding = encoding;
    // A Windows-1252 file's lines point into the file's bytes as read; a
    // UTF-16 file (small and rare) is encoded again line by line, which gives
    // back the same bytes.
    const bool stored = encoding == Encoding::Windows1252;
    if (!stored)
        result.bytes_ = encoding == Encoding::Utf16LE ? "\xFF\xFE" : "\xFE\xFF";

    SectionScanner scanner;
    std::vector<SlotLine> lines;
    std::optional<LineEnd> firstLineEnd;
    for (int number = 1; !input.AtEnd(); ++number) {
        const std::string_view line = input.ReadLineUndecoded();
        const LineEnd end = input.LastLineEnd();
        if (!firstLineEnd && end != LineEnd::None)
            firstLineEnd = end;
        result.endsWithoutLineEnd_ = end == LineEnd::None;
        const size_t at = stored ? input.LastLineOffset() : result.bytes_.size();
        if (!stored)
            EncodeLine(line, end, encoding, result.bytes_);
        // The section's rules look at ASCII alone, so the stored bytes do.
        const SectionScanner::Line kind = scanner.Next(line);
        if (kind == SectionScanner::Line::SearchPath)
            result.contents_.searchPaths.emplace_back(
                SectionScanner::SearchPathOf(input.LastLineText()));
        if (kind != SectionScanner::Line::GameEngineHeader &&
            kind != SectionScanner::Line::PackageLine)
            continue;
        const std::string text(input.LastLineText());
        result.contents_.sectionFound |= kind == SectionScanner::Line::GameEngineHeader;
        if (kind == SectionScanner::Line::PackageLine)
            result.contents_.configured.push_back(
                {std::string(SectionScanner::PackageOf(text)), number});
        const size_t length = stored ? line.size() + LineEndLength(end) : result.bytes_.size() - at;
        result.slots_.push_back({at, length, {}});
        lines.push_back({kind == SectionScanner::Line::GameEngineHeader, text, end});
    }
    if (stored)
        result.bytes_ = input.TakeWholeFile();
    input.Close();

    const PackageLineEdit change = edit(result.contents_);
    for (const std::string& name : change.written)
        if (const auto problem = PackageNameProblem(name, encoding);
            problem && problem->DamagesTheFile())
            throw ConfigurationError("Cannot write the package " + name + ": " + problem->text);
    std::vector<std::string> written;
    for (const std::string& name : change.written)
        written.push_back(PackageLine(name));

    // The lines written where there is no package line to place them by.
    const bool replaceAll = change.placement == Placement::AfterEachHeader;
    const bool anchorIsHeader = !replaceAll && result.contents_.configured.empty();
    const LineEnd firstEnd = firstLineEnd.value_or(LineEnd::CrLf);
    bool anchored = false;
    size_t package = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const SlotLine& line = lines[i];
        std::vector<std::string> stand; // the lines that stand here after the edit
        auto place = [&] {
            stand.insert(stand.end(), written.begin(), written.end());
            result.after_.insert(result.after_.end(), change.written.begin(), change.written.end());
        };
        if (line.header) {
            stand.push_back(replaceAll ? std::string(kHeader) : line.text);
            if (replaceAll || (anchorIsHeader && !std::exchange(anchored, true)))
                place();
        } else {
            const bool isFirst = package == 0,
                       isLast = package + 1 == result.contents_.configured.size();
            const bool kept = !replaceAll && package < change.keep.size() && change.keep[package];
            if (isFirst && change.placement == Placement::AtFirstPackageLine)
                place();
            if (kept) {
                stand.push_back(line.text);
                result.after_.push_back(result.contents_.configured[package].name);
            }
            if (isLast && change.placement == Placement::AfterLastPackageLine)
                place();
            ++package;
        }
        result.slots_[i].after = EncodeLines(stand, line.end, firstEnd, encoding);
    }
    return result;
}

bool RewrittenGameIni::Changed() const {
    // Lines next to each other are compared together: set writes its whole
    // list where the first package line stood.
    size_t groupStart = 0;
    std::string after;
    for (size_t i = 0; i < slots_.size(); ++i) {
        after += slots_[i].after;
        const size_t groupEnd = slots_[i].at + slots_[i].length;
        if (i + 1 == slots_.size() || slots_[i + 1].at != groupEnd) {
            const size_t at = slots_[groupStart].at;
            if (std::string_view(bytes_).substr(at, groupEnd - at) != after)
                return true;
            after.clear();
            groupStart = i + 1;
        }
    }
    return false;
}

std::vector<std::string> RewrittenGameIni::Before() const {
    std::vector<std::string> names;
    for (const ConfiguredPackage& package : contents_.configured)
        names.push_back(package.name);
    return names;
}

size_t RewrittenGameIni::Write(Version version,
                               const std::function<void(std::string_view)>& sink) const {
    std::vector<std::string_view> pieces;
    if (version == Version::Before) {
        pieces.emplace_back(bytes_);
    } else {
        size_t upTo = 0;
        for (const Slot& slot : slots_) {
            pieces.emplace_back(bytes_.data() + upTo, slot.at - upTo);
            pieces.emplace_back(slot.after);
            upTo = slot.at + slot.length;
        }
        pieces.emplace_back(bytes_.data() + upTo, bytes_.size() - upTo);
    }
    std::erase_if(pieces, [](std::string_view piece) { return piece.empty(); });

    // The line that ended the file without a line end may be gone: then the
    // line now last loses its end instead.
    if (version == Version::After && endsWithoutLineEnd_ && !pieces.empty())
        pieces.back().remove_suffix(TrailingLineEnd(pieces.back(), contents_.encoding));

    // Small pieces go together, large ones in parts, so that writing takes few
    // system calls and never copies a large piece.
    size_t total = 0;
    std::string gathered;
    auto flush = [&] {
        if (!gathered.empty())
            sink(gathered);
        gathered.clear();
    };
    for (std::string_view piece : pieces) {
        total += piece.size();
        if (gathered.size() + piece.size() <= kPiece) {
            gathered += piece;
            continue;
        }
        flush();
        for (; piece.size() > kPiece; piece.remove_prefix(kPiece))
            sink(piece.substr(0, kPiece));
        gathered = piece;
    }
    flush();
    return total;
}

std::string RewrittenGameIni::Bytes(Version version) const {
    std::string bytes;
    Write(version, [&](std::string_view piece) { bytes += piece; });
    return bytes;
}

} // namespace gameini

#include "RewriteGameIni.h"

#include "Error.h"

#include <cerrno>
#include <optional>
#include <sys/stat.h>
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
    SequentialFile input = SequentialFile::OpenInput(source);
    result.path_ = input.Path();
    result.contents_.encoding = input.Format().encoding;
    struct stat info;
    if (stat(result.path_.c_str(), &info) == 0) // the real size, so no growing on the way
        result.copied_.reserve(static_cast<size_t>(info.st_size));

    SequentialFile output = SequentialFile::OpenOutput(result.copied_, input.Format());
    SectionScanner scanner;
    std::vector<SlotLine> lines;
    std::optional<LineEnd> firstLineEnd;
    for (int number = 1; !input.AtEnd(); ++number) {
        const std::string_view line = input.ReadLine();
        const LineEnd end = input.LastLineEnd();
        if (!firstLineEnd && end != LineEnd::None)
            firstLineEnd = end;
        result.endsWithoutLineEnd_ = end == LineEnd::None;
        const SectionScanner::Line kind = scanner.Next(line);
        if (kind == SectionScanner::Line::Other) {
            output.CopyLine(input, end);
            continue;
        }
        result.contents_.sectionFound |= kind == SectionScanner::Line::GameEngineHeader;
        if (kind == SectionScanner::Line::PackageLine)
            result.contents_.configured.push_back(
                {std::string(SectionScanner::PackageOf(line)), number});
        result.slots_.push_back({result.copied_.size(), {}, {}});
        lines.push_back({kind == SectionScanner::Line::GameEngineHeader, std::string(line), end});
    }
    output.Close();
    input.Close();

    const PackageLineEdit change = edit(result.contents_);
    for (const std::string& name : change.written)
        if (std::optional<std::string> problem = StorageProblem(name, result.contents_.encoding))
            throw FileError(EILSEQ, "Cannot write the package " + name + ": " + *problem);
    std::vector<std::string> written;
    for (const std::string& name : change.written)
        written.push_back(PackageLine(name));

    // The lines written where there is no package line to place them by.
    const bool replaceAll = change.placement == Placement::AfterEachHeader;
    const bool anchorIsHeader = !replaceAll && result.contents_.configured.empty();
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
        const LineEnd first = firstLineEnd.value_or(LineEnd::CrLf);
        RewrittenGameIni::Slot& slot = result.slots_[i];
        slot.before = EncodeLines({line.text}, line.end, first, result.contents_.encoding);
        slot.after = EncodeLines(stand, line.end, first, result.contents_.encoding);
    }
    return result;
}

bool RewrittenGameIni::Changed() const {
    // Lines next to each other are compared together: set writes its whole
    // list where the first package line stood.
    std::string before, after;
    for (size_t i = 0; i < slots_.size(); ++i) {
        before += slots_[i].before;
        after += slots_[i].after;
        if (i + 1 == slots_.size() || slots_[i + 1].at != slots_[i].at) {
            if (before != after)
                return true;
            before.clear();
            after.clear();
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
    size_t copiedUpTo = 0;
    for (const Slot& slot : slots_) {
        pieces.emplace_back(copied_.data() + copiedUpTo, slot.at - copiedUpTo);
        pieces.emplace_back(version == Version::Before ? slot.before : slot.after);
        copiedUpTo = slot.at;
    }
    pieces.emplace_back(copied_.data() + copiedUpTo, copied_.size() - copiedUpTo);
    std::erase_if(pieces, [](std::string_view piece) { return piece.empty(); });

    // The line that ended the file without a line end may be gone: then the
    // line now last loses its end instead.
    if (endsWithoutLineEnd_ && !pieces.empty())
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

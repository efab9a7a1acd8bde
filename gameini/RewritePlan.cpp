#include "gameini/RewritePlan.h"
#include "gameini/LineRules.h"
#include "gameini/PackageNames.h"

#include "gameini/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <optional>
#include <utility>

namespace gameini {
namespace {

constexpr size_t kPiece = 256 << 10;

// The lines that stand where one header or package line stood. All but the
// last end with `end`, or with the file's first line end where the line had
// none (it ended the file and is now followed by another); the last keeps
// the line's own end, so a file that ended without one still does.
std::string EncodeLines(const std::vector<std::string_view>& lines, LineEnd own, LineEnd first,
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

// The lines an edit writes anew, as they will stand: its package lines
// and its Paths= lines. Throws ConfigurationError for a name or entry that
// would damage the file.
struct NewLines {
    std::vector<std::string> packages, searchPaths;
};
NewLines LinesToWrite(const PackageLineEdit& change, Encoding encoding) {
    auto refuseDamage = [&](const char* what, const std::string& text) {
        if (const auto problem = PackageNameProblem(text, encoding);
            problem && problem->DamagesTheFile())
            throw ConfigurationError(std::string("Cannot write the ") + what + " " + text + ": " +
                                     problem->text);
    };
    NewLines lines;
    for (const auto& [line, name] : change.rewritten)
        refuseDamage("package", name);
    for (const std::string& name : change.written) {
        refuseDamage("package", name);
        lines.packages.push_back(PackageLine(name));
    }
    for (const std::string& entry : change.writtenSearchPaths) {
        refuseDamage("search path", entry);
        lines.searchPaths.push_back(std::string(kSearchPathKey) + entry);
    }
    return lines;
}

// Whether the Paths= line numbered `index` among them stays.
bool KeepsSearchPath(const PackageLineEdit& change, size_t index) {
    const std::vector<bool>& keep = change.keepSearchPaths;
    return keep.empty() || (index < keep.size() && keep[index]);
}

} // namespace

RewritePlan RewritePlan::Read(std::string_view source) {
    RewritePlan result;
    SequentialFile input = SequentialFile::OpenInput(source);
    result.path_ = input.Path();
    result.contents_.path = input.Path();
    result.readAs_ = input.OpenedAs();
    const Encoding encoding = input.Format().encoding;
    result.contents_.encoding = encoding;
    // A Windows-1252 file's unchanged bytes are read again from the file when
    // written; a UTF-16 file is encoded again line by line, which gives back
    // the same bytes, and kept in memory.
    const bool stored = encoding == Encoding::Windows1252;
    if (!stored)
        result.utf16Bytes_ = encoding == Encoding::Utf16LE ? "\xFF\xFE" : "\xFE\xFF";

    SectionScanner scanner;
    ContentsBuilder contents(result.contents_);
    // The first line is always read, for its line end; a UTF-16 file skips
    // no line, as every line is encoded again.
    auto nextLine = [&] {
        return stored && input.LineNumber() > 0
                   ? input.SkipToLineStartingWith(scanner.LineStartsThatMatter())
                   : !input.AtEnd();
    };
    while (nextLine()) {
        const std::string_view line = input.ReadLineUndecoded();
        const LineEnd end = input.LastLineEnd();
        if (!result.firstLineEnd_ && end != LineEnd::None)
            result.firstLineEnd_ = end;
        const size_t at = stored ? input.LastLineOffset() : result.utf16Bytes_.size();
        if (!stored)
            EncodeLine(line, end, encoding, result.utf16Bytes_);
        // The section's rules look at ASCII alone, so the stored bytes do.
        const SectionScanner::Line kind = scanner.Next(line);
        if (kind == SectionScanner::Line::Other)
            continue;
        const std::string_view text = input.LastLineText();
        const int number = static_cast<int>(input.LineNumber());
        contents.Add(scanner, kind, text, number);
        const size_t length =
            stored ? line.size() + LineEndLength(end) : result.utf16Bytes_.size() - at;
        // A large file may repeat its Paths= lines many times, and few edits
        // touch them: a stored file's become slots only when one does.
        if (kind == SectionScanner::Line::SearchPath && stored)
            result.searchPathSpots_.push_back({at, length, number, end});
        else
            result.slots_.push_back({at, length, number, kind, std::string(text), end, {}, false});
    }
    contents.Finish();
    result.size_ = stored ? static_cast<size_t>(result.readAs_.size) : result.utf16Bytes_.size();
    result.file_ = input.TakeFile();
    input.Close();
    const std::string tail = result.LastBytes(0, result.size_);
    result.endsWithoutLineEnd_ = !tail.empty() && TrailingLineEnd(tail, encoding) == 0;

    return result;
}

void RewritePlan::AddSearchPathSlots() {
    std::vector<Slot> slots;
    slots.reserve(slots_.size() + searchPathSpots_.size());
    auto next = slots_.begin();
    for (const SearchPathSpot& spot : searchPathSpots_) {
        for (; next != slots_.end() && next->at < spot.at; ++next)
            slots.push_back(std::move(*next));
        std::string text(spot.length - LineEndLength(spot.end), '\0');
        ReadBytes(spot.at, text.size(), text.data());
        slots.push_back({spot.at,
                         spot.length,
                         spot.line,
                         SectionScanner::Line::SearchPath,
                         std::move(text),
                         spot.end,
                         {},
                         false});
    }
    std::move(next, slots_.end(), std::back_inserter(slots));
    slots_ = std::move(slots);
    searchPathSpots_.clear();
}

void RewritePlan::MakeRoomForSearchPaths(const PackageLineEdit& change) {
    const bool adds = !change.writtenSearchPaths.empty();
    if (adds && contents_.searchPathLines.empty())
        throw ConfigurationError(path_ +
                                 " has no Paths= line in [Core.System] to add search paths after");
    const auto& keep = change.keepSearchPaths;
    if (adds || std::find(keep.begin(), keep.end(), false) != keep.end())
        AddSearchPathSlots();
}

void RewritePlan::Apply(const PackageLineEdit& change) {
    const NewLines lines = LinesToWrite(change, contents_.encoding);
    MakeRoomForSearchPaths(change);
    // The lines written where there is no package line to place them by.
    const bool replaceAll = change.placement == Placement::AfterEachHeader;
    const bool anchorIsHeader = !replaceAll && contents_.configured.empty();
    const LineEnd firstEnd = firstLineEnd_.value_or(LineEnd::CrLf);
    bool anchored = false;
    size_t package = 0, searchPath = 0;
    for (Slot& slot : slots_) {
        std::vector<std::string_view> stand; // the lines that stand here after the edit
        bool placed = false;
        auto place = [&] {
            stand.insert(stand.end(), lines.packages.begin(), lines.packages.end());
            after_.insert(after_.end(), change.written.begin(), change.written.end());
            placed = true;
        };
        const auto rewritten = change.rewritten.find(slot.line);
        const bool isRewritten = rewritten != change.rewritten.end();
        const std::string rewrittenLine = isRewritten ? PackageLine(rewritten->second) : "";
        auto rewrite = [&] {
            stand.push_back(rewrittenLine);
            after_.push_back(rewritten->second);
        };
        bool kept;
        if (slot.kind == SectionScanner::Line::SearchPath) {
            kept = KeepsSearchPath(change, searchPath);
            if (kept)
                stand.push_back(slot.text);
            if (++searchPath == contents_.searchPathLines.size() && !lines.searchPaths.empty()) {
                stand.insert(stand.end(), lines.searchPaths.begin(), lines.searchPaths.end());
                placed = true;
            }
        } else if (slot.kind == SectionScanner::Line::UnreadPackageLine) {
            kept = !isRewritten;
            if (isRewritten)
                rewrite();
        } else if (slot.kind == SectionScanner::Line::GameEngineHeader) {
            kept = !replaceAll;
            stand.push_back(kept ? std::string_view(slot.text) : kGameEngineHeader);
            if (replaceAll || (anchorIsHeader && !std::exchange(anchored, true)))
                place();
        } else {
            const bool isFirst = package == 0, isLast = package + 1 == contents_.configured.size();
            kept = !replaceAll && package < change.keep.size() && change.keep[package];
            if (isFirst && change.placement == Placement::AtFirstPackageLine)
                place();
            if (kept && isRewritten) {
                rewrite();
                kept = false;
            } else if (kept) {
                stand.push_back(slot.text);
                after_.push_back(contents_.configured[package].name);
            }
            if (isLast && change.placement == Placement::AfterLastPackageLine)
                place();
            ++package;
        }
        // A line that stays alone keeps its bytes in the file; nearly all do.
        slot.kept = kept && !placed;
        if (!slot.kept)
            slot.after = EncodeLines(stand, slot.end, firstEnd, contents_.encoding);
    }
}

RewritePlan PlanRewrite(std::string_view source, const EditPackages& edit) {
    RewritePlan plan = RewritePlan::Read(source);
    plan.Apply(edit(plan.contents_));
    return plan;
}

bool RewritePlan::Changed() const {
    // Lines next to each other are compared together: set writes its whole
    // list where the first package line stood.
    std::string before, after, own;
    for (size_t i = 0; i < slots_.size(); ++i) {
        const Slot& slot = slots_[i];
        own.clear();
        EncodeLine(slot.text, slot.end, contents_.encoding, own);
        before += own;
        after += slot.kept ? own : slot.after;
        if (i + 1 == slots_.size() || slots_[i + 1].at != slot.at + slot.length) {
            if (before != after)
                return true;
            before.clear();
            after.clear();
        }
    }
    return false;
}

std::vector<std::string> RewritePlan::Before() const {
    std::vector<std::string> names;
    for (const ConfiguredPackage& package : contents_.configured)
        names.push_back(package.name);
    return names;
}

void RewritePlan::ReadBytes(size_t at, size_t length, char* into) const {
    if (contents_.encoding != Encoding::Windows1252) {
        std::memcpy(into, utf16Bytes_.data() + at, length);
        return;
    }
    const ReadResult read = ReadFully(file_.Get(), into, length, at);
    if (read.error != 0)
        ThrowSystemError(read.error, "Cannot read " + path_);
    if (read.got < length) // it became shorter
        RefuseChanged();
}

std::string RewritePlan::LastBytes(size_t from, size_t to) const {
    std::string room(std::min<size_t>(4, to - from), '\0');
    ReadBytes(to - room.size(), room.size(), room.data());
    return room;
}

void RewritePlan::RefuseIfChanged() const {
    const std::optional<FileStatus> now = StatusOf(file_.Get());
    if (!now)
        ThrowSystemError(errno, "Cannot read " + path_);
    if (now->ChangedSince(readAs_))
        RefuseChanged();
}

void RewritePlan::RefuseChanged() const {
    throw ConfigurationError("Cannot save " + path_ +
                             ": another program changed it while it was being saved, so it "
                             "was left as that program wrote it");
}

std::vector<RewritePlan::Run> RewritePlan::Runs(Version version) const {
    std::vector<Run> runs;
    auto fromFile = [&](size_t from, size_t to) {
        if (to > from)
            runs.push_back({from, to - from, {}});
    };
    if (version == Version::Before) {
        fromFile(0, size_);
        return runs;
    }
    size_t upTo = 0;
    for (const Slot& slot : slots_) {
        if (slot.kept)
            continue;
        fromFile(upTo, slot.at);
        if (!slot.after.empty())
            runs.push_back({0, 0, slot.after});
        upTo = slot.at + slot.length;
    }
    fromFile(upTo, size_);
    // The line that ended the file without a line end may be gone: then
    // the line now last loses its end instead.
    if (endsWithoutLineEnd_ && !runs.empty()) {
        Run& last = runs.back();
        if (last.written.empty()) {
            last.length -=
                TrailingLineEnd(LastBytes(last.at, last.at + last.length), contents_.encoding);
        } else {
            last.written.remove_suffix(TrailingLineEnd(last.written, contents_.encoding));
        }
    }
    return runs;
}

size_t RewritePlan::Write(Version version,
                          const std::function<void(std::string_view)>& sink) const {
    // Everything goes out through one buffer, so that writing takes few
    // system calls and a large file is never held whole.
    std::string piece(kPiece, '\0');
    size_t used = 0, total = 0;
    auto flush = [&] {
        if (used > 0)
            sink(std::string_view(piece.data(), used));
        used = 0;
    };
    for (const Run& run : Runs(version)) {
        const size_t length = run.written.empty() ? run.length : run.written.size();
        for (size_t done = 0; done < length;) {
            const size_t part = std::min(kPiece - used, length - done);
            if (run.written.empty())
                ReadBytes(run.at + done, part, piece.data() + used);
            else
                std::memcpy(piece.data() + used, run.written.data() + done, part);
            used += part;
            done += part;
            if (used == kPiece)
                flush();
        }
        total += length;
    }
    RefuseIfChanged(); // before the last piece, so that a changed file is never written whole
    flush();
    return total;
}

RewritePlan::Excerpt RewritePlan::ChangedPart(size_t context) const {
    std::vector<const Slot*> changed;
    for (const Slot& slot : slots_)
        if (!slot.kept)
            changed.push_back(&slot);
    if (contents_.encoding != Encoding::Windows1252)
        return {Bytes(Version::Before), Bytes(Version::After), 0};
    if (changed.empty())
        return {};
    // Whole lines around the changed slots, which start and end lines.
    size_t from = changed.front()->at, to = changed.back()->at + changed.back()->length;
    std::string block(4096, '\0');
    for (size_t lines = 0; to < size_ && lines < context;) {
        const size_t length = std::min(block.size(), size_ - to);
        ReadBytes(to, length, block.data());
        for (size_t i = 0; i < length && lines < context; ++i, ++to)
            lines += block[i] == '\n';
    }
    // A line that ended the file without a line end and is gone takes the
    // end of the line before it: one more line of context then.
    const size_t before = context + (to == size_ && endsWithoutLineEnd_ ? 1 : 0);
    for (size_t lines = 0; from > 0 && lines <= before;) {
        const size_t length = std::min(block.size(), from);
        ReadBytes(from - length, length, block.data());
        for (size_t i = length; i > 0 && lines <= before; --i, --from)
            if (block[i - 1] == '\n' && ++lines > before)
                break;
    }
    Excerpt part{std::string(to - from, '\0'), {}, 0};
    ReadBytes(from, part.before.size(), part.before.data());
    part.linesBefore =
        static_cast<size_t>(changed.front()->line - 1) -
        static_cast<size_t>(
            std::count(part.before.begin(),
                       part.before.begin() + static_cast<long>(changed.front()->at - from), '\n'));
    size_t upTo = from;
    for (const Slot* slot : changed) {
        part.after.append(part.before, upTo - from, slot->at - upTo);
        part.after += slot->after;
        upTo = slot->at + slot->length;
    }
    part.after.append(part.before, upTo - from, to - upTo);
    // As Write does: the line that ended the file without a line end may be
    // gone, and the line now last loses its end instead.
    if (to == size_ && endsWithoutLineEnd_)
        part.after.resize(part.after.size() - TrailingLineEnd(part.after, contents_.encoding));
    return part;
}

std::string RewritePlan::Bytes(Version version) const {
    std::string bytes;
    Write(version, [&](std::string_view piece) { bytes += piece; });
    return bytes;
}

} // namespace gameini

// Any bytes, read line by line and written back with each line's own line
// end, come back byte for byte; and the lines end where the game's reader
// ends them: at every CR LF, lone CR and lone LF.

#include "FuzzFile.h"
#include "gameini/Error.h"
#include "gameini/SequentialFile.h"
#include "support/LineWriter.h"

#include <vector>

using gameini::LineEnd;
using gameini::SequentialFile;

namespace {

bool StartsAsUtf16(std::string_view bytes) {
    return bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                 (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
}

// The line ends of a text given as code units, framed plainly.
template <class Unit> std::vector<LineEnd> ModelLineEnds(const std::vector<Unit>& units) {
    std::vector<LineEnd> ends;
    size_t lineStart = 0;
    for (size_t i = 0; i < units.size(); ++i) {
        if (units[i] == '\n') {
            ends.push_back(LineEnd::Lf);
        } else if (units[i] == '\r' && i + 1 < units.size() && units[i + 1] == '\n') {
            ends.push_back(LineEnd::CrLf);
            ++i;
        } else if (units[i] == '\r') {
            ends.push_back(LineEnd::Cr);
        } else {
            continue;
        }
        lineStart = i + 1;
    }
    if (lineStart < units.size())
        ends.push_back(LineEnd::None);
    return ends;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string in = ScratchFolder() + "/in.ini", out = ScratchFolder() + "/out.ini";
    Store(in, bytes);
    ReadBack read;
    try {
        read = ReadAllLines(in);
        LineWriter output(SequentialFile::OpenInput(in).Format());
        for (const auto& [line, end] : read.lines)
            output.WriteLine(line, end);
        Store(out, output.Bytes());
    } catch (const gameini::Error&) {
        Check(StartsAsUtf16(bytes) && size % 2 == 1, "only an odd-sized UTF-16 file is refused");
        return 0;
    }
    Check(Load(out) == bytes, "every byte comes back");

    std::vector<LineEnd> ends;
    if (StartsAsUtf16(bytes)) {
        const bool bigEndian = bytes[0] == '\xFE';
        std::vector<char16_t> units;
        for (size_t i = 2; i + 1 < size; i += 2)
            units.push_back(static_cast<char16_t>(bigEndian ? data[i] << 8 | data[i + 1]
                                                            : data[i + 1] << 8 | data[i]));
        ends = ModelLineEnds(units);
    } else {
        ends = ModelLineEnds(std::vector<char>(bytes.begin(), bytes.end()));
    }
    Check(read.lines.size() == ends.size(), "as many lines as the model frames");
    for (size_t i = 0; i < ends.size() && i < read.lines.size(); ++i)
        Check(read.lines[i].second == ends[i], "each line ends as the model says");

    // Skipping to the lines that start with some bytes finds each of them
    // with its number, and passes over no other.
    const gameini::ByteSet wanted("[Ss \t");
    SequentialFile skipping = SequentialFile::OpenInput(in);
    size_t next = 0;
    while (skipping.SkipToLineStartingWith(wanted)) {
        const std::string line(skipping.ReadLine());
        for (; next < read.lines.size() && next + 1 < skipping.LineNumber(); ++next) {
            const std::string& passed = read.lines[next].first;
            Check(passed.empty() || !wanted.Contains(passed[0]),
                  "a line passed over does not start with a wanted byte");
        }
        Check(next < read.lines.size() && read.lines[next].first == line,
              "a line found is the line of its number");
        ++next;
    }
    for (; next < read.lines.size(); ++next)
        Check(read.lines[next].first.empty() || !wanted.Contains(read.lines[next].first[0]),
              "a line passed over does not start with a wanted byte");
    return 0;
}

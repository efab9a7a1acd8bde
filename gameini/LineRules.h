#pragma once

#include <string>
#include <string_view>

#include "gameini/SequentialFile.h"

namespace gameini {

// The rules by which a configuration line is recognised; the reader and the
// rewriter share them. Nothing is trimmed: blanks are part of the line.
bool IsGameEngineHeader(std::string_view line);
bool IsSectionHeader(std::string_view line);
bool IsServerPackagesLine(std::string_view line);

// What each line of a configuration is, by the section rules above: the
// reader and the rewriter follow a file through one of these. It also tells
// the Paths= lines of [Core.System], where the game looks for packages, and
// the lines of the section that look like package lines but that the game
// does not read ("ServerPackages =Foo").
class SectionScanner {
public:
    enum class Line { GameEngineHeader, PackageLine, UnreadPackageLine, SearchPath, Other };
    // A reader that wants no Paths= lines lets the scanner pass them over.
    explicit SectionScanner(bool tellSearchPaths = true) : tellSearchPaths_(tellSearchPaths) {}
    // Inline for the lines that matter to no rule, nearly all of a file.
    Line Next(std::string_view line) {
        if (line.empty() || !LineStartsThatMatter().Contains(line[0]))
            return Line::Other;
        return Classify(line);
    }
    // The bytes a line can start with and still matter here: a header, and
    // in the sections above their keys (or blanks before a key).
    const ByteSet& LineStartsThatMatter() const {
        static constexpr ByteSet kAnywhere("["), kInSection("[Ss \t"), kInSystem("[Pp");
        return inSection_ ? kInSection : inSystem_ && tellSearchPaths_ ? kInSystem : kAnywhere;
    }
    // Whether the line given last lies in the section (a header included).
    bool InSection() const { return inSection_; }
    // The package a package line names: its value, as written.
    static std::string_view PackageOf(std::string_view packageLine);
    // The folder and pattern a Paths= line names ("..\System\*.u").
    static std::string_view SearchPathOf(std::string_view searchPathLine);

private:
    Line Classify(std::string_view line);
    bool inSection_ = false;
    bool inSystem_ = false; // in [Core.System]
    bool tellSearchPaths_;
};

// The line that configures a package, as both programs write it.
std::string PackageLine(std::string_view name);

} // namespace gameini

#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "gameini/SequentialFile.h"

namespace gameini {

// The section and the key, as the programs write them. The game matches
// both in any letter case; nothing is trimmed: blanks are part of the line.
constexpr std::string_view kGameEngineHeader = "[Engine.GameEngine]";
constexpr std::string_view kPackageKey = "ServerPackages=";
constexpr std::string_view kSearchPathKey = "Paths=";

// What each line of a configuration is: the reader, the rewriter and check
// follow a file through one of these. Besides the section's header and
// package lines it tells the lines of the section that look like package
// lines but that the game does not read ("ServerPackages =Foo"), and what
// the reader asks for: the Paths= lines of [Core.System], where the game
// looks for packages; ServerActors= lines; [PackageRemap]'s lines; and a
// first line that would be the header but for a UTF-8 byte-order mark in
// front of it, which hides it from the game.
class SectionScanner {
public:
    enum class Line {
        GameEngineHeader,
        PackageLine,
        UnreadPackageLine,
        SearchPath,
        ServerActor,
        PackageRemap,
        HiddenGameEngineHeader,
        Setting, // KEY=VALUE of another section: Section() tells which
        Other
    };
    enum Tell : unsigned { kSearchPaths = 1, kActorsAndRemaps = 2, kSettings = 4 };
    // A reader that wants fewer kinds lets the scanner pass more lines over.
    // With kActorsAndRemaps or kSettings every line is to be given, in order.
    explicit SectionScanner(unsigned tell = kSearchPaths) : tell_(tell) { starts_ = &Starts(); }
    // Inline for the lines that matter to no rule, nearly all of a file.
    Line Next(std::string_view line) {
        if (line.empty() || !LineStartsThatMatter().Contains(line[0])) {
            firstLine_ = false;
            return Line::Other;
        }
        return Classify(line);
    }
    // The bytes a line can start with and still matter here: a header, and
    // in the sections above their keys (or blanks before a key).
    const ByteSet& LineStartsThatMatter() const { return *starts_; }
    // Whether the line given last lies in the section (a header included).
    bool InSection() const { return inSection_; }
    // The package a package line names: its value, as written.
    static std::string_view PackageOf(std::string_view packageLine);
    // The folder and pattern a Paths= line names ("..\System\*.u").
    static std::string_view SearchPathOf(std::string_view searchPathLine);
    // The actor a ServerActors= line starts, with its settings after it.
    static std::string_view ServerActorOf(std::string_view serverActorLine);
    // The package an unread package line names, without the blanks around it.
    static std::string_view UnreadPackageOf(std::string_view unreadLine);
    // The key and value of a KEY=VALUE line: a setting, or a [PackageRemap]
    // line's package and the one it maps it to.
    static std::pair<std::string_view, std::string_view> SettingOf(std::string_view settingLine);
    // With kSettings, the header of the section the line given last lies in,
    // in small letters ("[url]"); empty before the first header.
    const std::string& Section() const { return section_; }

private:
    Line Classify(std::string_view line);
    // What LineStartsThatMatter gives in the section the scanner is in.
    const ByteSet& Starts() const;
    const ByteSet* starts_;
    bool inSection_ = false;
    bool inSystem_ = false; // in [Core.System]
    bool inRemap_ = false;  // in [PackageRemap]
    bool firstLine_ = true;
    std::string section_;
    unsigned tell_;
};

// The line that configures a package, as both programs write it.
std::string PackageLine(std::string_view name);

} // namespace gameini

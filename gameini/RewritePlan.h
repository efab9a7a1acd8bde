#pragma once

#include "gameini/ConfigurationContents.h"
#include "gameini/FileDescriptor.h"
#include "gameini/LineRules.h"
#include "gameini/SequentialFile.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gameini {

// Where the package lines an edit writes go. With no package line in the
// file, the last two put them right after the first section header.
enum class Placement {
    // Right after every [Engine.GameEngine] header, which is written in this
    // letter case, while every old package line goes: the window's Save.
    AfterEachHeader,
    // Right after the last package line.
    AfterLastPackageLine,
    // At the place of the first package line.
    AtFirstPackageLine,
};

// What an edit does to the package lines of a configuration.
struct PackageLineEdit {
    PackageLineEdit(Placement placement, std::vector<bool> keep = {},
                    std::vector<std::string> written = {})
        : placement(placement), keep(std::move(keep)), written(std::move(written)) {}

    Placement placement;
    // Which configured package lines stay, one flag per line in file order;
    // lines past the end go. AfterEachHeader drops every one of them.
    std::vector<bool> keep;
    // The packages to write, one ServerPackages= line each.
    std::vector<std::string> written;
    // Lines written anew where they stand, as "ServerPackages=NAME", by
    // their number: a kept package line, or a line of the section the game
    // does not read.
    std::map<int, std::string> rewritten;
    // Which Paths= lines of [Core.System] stay, one flag per line in file
    // order; empty, they all do.
    std::vector<bool> keepSearchPaths;
    // Paths= entries to write after the last Paths= line ("..\Mods\*.u").
    std::vector<std::string> writtenSearchPaths;
};

// Decides an edit from what the configuration holds: its package lines and
// Paths= lines.
using EditPackages = std::function<PackageLineEdit(const ConfigurationContents& contents)>;

// The lines of context a diff shows around a change, as GNU diff -u does.
constexpr size_t kDiffContext = 3;

// A configuration read once and rewritten. Only the package lines and
// section headers the edit touches change; every other line keeps its bytes
// and its own line end. A new line ends like the line it follows; a
// line that had no end and is now followed by another takes the file's first
// line end, or CR LF when it has none; a file that did not end with a line
// end still does not. The rewrite keeps the file's encoding.
class RewritePlan {
public:
    // The configuration's bytes, as they were or as rewritten.
    enum class Version { Before, After };

    const std::string& Path() const { return path_; }
    // Whether the rewrite changes any byte.
    bool Changed() const;
    // The configured packages before and after the edit, as the file names them.
    std::vector<std::string> Before() const;
    const std::vector<std::string>& After() const { return after_; }
    // Hands the bytes of one version over in pieces of at most 256 KiB, in
    // order; returns how many there were. The unchanged bytes are read from
    // the file again, which stays open meanwhile: a configuration that
    // changed since it was read is refused with a ConfigurationError.
    size_t Write(Version version, const std::function<void(std::string_view)>& sink) const;
    std::string Bytes(Version version) const;
    // Both versions' bytes around what changed, for a diff: from `context`
    // lines before the first changed line to `context` lines after the last,
    // and how many lines stand before them. A Windows-1252 file is read only
    // there, so a small change to a large file takes little memory; a UTF-16
    // file gives its whole bytes.
    struct Excerpt {
        std::string before, after;
        size_t linesBefore = 0;
    };
    Excerpt ChangedPart(size_t context) const;

private:
    friend RewritePlan PlanRewrite(std::string_view, const EditPackages&);

    // Reads the configuration into its slots and contents.
    static RewritePlan Read(std::string_view source);
    // Decides the bytes each slot holds after `change`.
    void Apply(const PackageLineEdit& change);
    // Makes the Paths= lines slots, in file order among the others.
    void AddSearchPathSlots();
    // Refuses Paths= lines to write where there is none to follow, and makes
    // the Paths= lines slots when `change` touches them.
    void MakeRoomForSearchPaths(const PackageLineEdit& change);

    // A section header or package line: where its bytes stand in the file,
    // its text and line end, and the bytes that stand there after the edit,
    // unless it is kept as it is.
    struct Slot {
        size_t at, length;
        int line;
        SectionScanner::Line kind;
        std::string text;
        LineEnd end;
        std::string after;
        bool kept;
    };
    // A run of a version's bytes: bytes of the file, or bytes the edit wrote.
    struct Run {
        size_t at, length; // of the file
        std::string_view written;
    };
    std::vector<Run> Runs(Version version) const;
    // Copies `length` bytes of the file from `at` to `into`.
    void ReadBytes(size_t at, size_t length, char* into) const;
    // The last bytes from `from` to `to`, up to four: room for any line end.
    std::string LastBytes(size_t from, size_t to) const;
    void RefuseIfChanged() const;
    [[noreturn]] void RefuseChanged() const;

    std::string path_;
    FileDescriptor file_;
    FileStatus readAs_;
    size_t size_ = 0;
    // A UTF-16 file's bytes, encoded again from its lines (small and rare).
    std::string utf16Bytes_;
    bool endsWithoutLineEnd_ = false;
    std::optional<LineEnd> firstLineEnd_; // for a line that had none and is now followed
    std::vector<Slot> slots_;
    // The Paths= lines of a stored file, not yet slots.
    struct SearchPathSpot {
        size_t at, length;
        int line;
        LineEnd end;
    };
    std::vector<SearchPathSpot> searchPathSpots_;
    ConfigurationContents contents_;
    std::vector<std::string> after_;
};

// Reads the configuration at `source` and plans its rewrite by `edit`;
// nothing is written until the plan's bytes are, by a save. Throws
// FileError naming the file, and ConfigurationError for a package name or
// Paths= entry the file's encoding cannot store or that holds a line break,
// or Paths= entries to write into a file that has no Paths= line.
RewritePlan PlanRewrite(std::string_view source, const EditPackages& edit);

} // namespace gameini

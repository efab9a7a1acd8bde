#pragma once

#include "SequentialFile.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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

// The Paths= entries of [Core.System] as a reader meets them, each kept once:
// a file may repeat the section many times, and a search needs each entry once.
class SearchPathList {
public:
    void Add(std::string_view entry) {
        // A repeated section repeats its entries in order: the one due next
        // is tried before looking the entry up.
        if (next_ >= entries_.size())
            next_ = 0;
        if (next_ < entries_.size() && entries_[next_] == entry) {
            ++next_;
            return;
        }
        const auto [found, added] = indexOf_.try_emplace(std::string(entry), entries_.size());
        if (added)
            entries_.emplace_back(entry);
        next_ = found->second + 1;
    }
    std::vector<std::string> Take() { return std::move(entries_); }

private:
    std::vector<std::string> entries_;
    std::unordered_map<std::string, size_t> indexOf_;
    size_t next_ = 0;
};

// A package a ServerPackages= line of [Engine.GameEngine] names: the value as
// the file writes it, and the line's number, counting from 1.
struct ConfiguredPackage {
    std::string name;
    int line = 0;
    bool operator==(const ConfiguredPackage&) const = default;
};

// Reads the configuration and returns its configured packages in file order,
// duplicates kept. Tells through `sectionFound` whether it has the section,
// and through `searchPaths` the Paths= entries of [Core.System], each once.
std::vector<ConfiguredPackage> ReadServerPackages(std::string_view path,
                                                  bool* sectionFound = nullptr,
                                                  std::vector<std::string>* searchPaths = nullptr);

// The line that configures a package, as both programs write it.
std::string PackageLine(std::string_view name);

// The package extension a name ends with, in any letter case (".u" for
// code, ".uax" sounds, ".utx" textures, ".usx" static meshes, ".ukx"
// animations, ".umx" music, ".fuk" maps), as written; empty for none.
std::string_view PackageExtensionOf(std::string_view name);

// A package file name ("Engine.u", "BaseDialog.uax") or package name
// ("Engine") as the package name the configuration writes: one trailing
// package extension is dropped.
std::string PackageNameOf(std::string_view name);

// The package a ServerPackages= value means, as a person reads it: without
// blanks or tabs at either end, or a package extension ("Engine.u " means
// Engine). The game reads such a value as written, and finds no package.
std::string PackageMeantBy(std::string_view value);

// The text without blanks or tabs at either end.
std::string_view TrimmedBlanks(std::string_view text);

// Why a package name cannot stand in a ServerPackages= line of a file in
// `encoding`, if it cannot. A name is what the engine's names hold: at most
// 63 characters, no blank or tab at either end, none of / \ [ ] ; # = " and
// no control character. The first kinds make a line the game reads but that
// matches no package a user means; the last two would damage the file.
struct NameProblem {
    enum class Kind { Empty, Blank, TooLong, Character, LineBreak, Unstorable };
    Kind kind;
    std::string text; // what is wrong, to follow the name in a message
    bool DamagesTheFile() const { return kind >= Kind::LineBreak; }
};
std::optional<NameProblem> PackageNameProblem(std::string_view name, Encoding encoding);

// Whether a file name is that of a code package: "Engine.u" in any letter
// case, which the window lists.
bool IsPackageFileName(std::string_view name);

// Packages by the game's rule: "Engine" and "ENGINE" are one package, and the
// file "Engine.u" holds it. Adding tells whether one was there already, so a
// list loses its repeats through one of these.
class PackageSet {
public:
    // Adds a package by its name; false when the set held it already.
    bool Insert(std::string_view name);
    bool Contains(std::string_view name) const;
    // The same for the package a ".u" file holds.
    bool InsertFile(std::string_view fileName) {
        return lowerCaseNames_.insert(KeyOfFile(fileName)).second;
    }
    bool ContainsFile(std::string_view fileName) const {
        return lowerCaseNames_.contains(KeyOfFile(fileName));
    }

private:
    // One lower-casing a file: the window asks this of every entry it lists.
    static std::string KeyOfFile(std::string_view fileName);
    std::unordered_set<std::string> lowerCaseNames_;
};

} // namespace gameini

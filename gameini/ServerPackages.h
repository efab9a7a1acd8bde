#pragma once

#include "SequentialFile.h"

#include <optional>
#include <string>
#include <string_view>
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
    // Inline for the lines that matter to no rule, nearly all of a file.
    Line Next(std::string_view line) {
        if (line.empty())
            return Line::Other;
        const char first = line[0], lower = static_cast<char>(first | 0x20);
        const bool mayBePackageLine = lower == 's' || first == ' ' || first == '\t';
        if (first != '[' && !(inSection_ && mayBePackageLine) && !(inSystem_ && lower == 'p'))
            return Line::Other;
        return Classify(line);
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
// and through `searchPaths` the Paths= entries of [Core.System].
std::vector<ConfiguredPackage> ReadServerPackages(std::string_view path,
                                                  bool* sectionFound = nullptr,
                                                  std::vector<std::string>* searchPaths = nullptr);

// The package extension a name ends with, in any letter case (".u" for
// code, ".uax" sounds, ".utx" textures, ".usx" static meshes, ".ukx"
// animations, ".umx" music, ".fuk" maps), as written; empty for none.
std::string_view PackageExtensionOf(std::string_view name);

// A package file name ("Engine.u", "BaseDialog.uax") or package name
// ("Engine") as the package name the configuration writes: one trailing
// package extension is dropped.
std::string PackageNameOf(std::string_view name);

// Why a package name cannot stand in a ServerPackages= line of a file in
// `encoding`, if it cannot. The first kinds make a line the game reads but
// that matches no package a user means; the last two would damage the file.
struct NameProblem {
    enum class Kind { Empty, Blank, Equals, LineBreak, Unstorable };
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

#pragma once

#include "gameini/SequentialFile.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace gameini {

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

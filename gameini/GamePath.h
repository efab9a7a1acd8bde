#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gameini {

// The files of a System folder a save works with, by name.
constexpr std::string_view kConfigurationName = "postal2.ini"; // looked up in any letter case
constexpr std::string_view kWorkFileName = "newp2.ini";
constexpr std::string_view kBackupName = "postal2.ini.old";
// The name a save stores the game's configuration under, and the one its
// Linux build reads.
constexpr std::string_view kSavedConfigurationName = "Postal2.ini";

// The file `name` in `folder`, joined with one separator: the one place
// folder and name meet, so that no later code has to guess where.
std::string InFolder(std::string_view folder, std::string_view name);

// A path with each run of separators as one. A backslash is part of a name.
std::string NativePath(std::string_view path);

// The folder part and the name part of a path.
std::string FolderOf(std::string_view path);
std::string NameOf(std::string_view path);

// The path from the root, with no "." or ".." left in it.
std::string AbsolutePath(std::string_view path);

// Whether anything stands under the name, a link that leads nowhere too.
bool Exists(const std::string& path);

// Finds the file the path names without regard to letter case, as the game's
// home platform does. For "postal2.ini", "Postal2.ini" wins, as it is the one
// the game's Linux build reads and a save writes; then an exact match; then
// the first name in byte order whose lower-case form equals the wanted one's.
// With no match the native path is returned unchanged, ready to be created
// under that name.
std::string ResolvePath(std::string_view path);

// Every name in the path's folder that differs from its name only in letter
// case, the name itself included if it exists, in byte order.
std::vector<std::string> CaseVariants(std::string_view path);

} // namespace gameini

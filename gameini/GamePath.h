#pragma once

#include <optional>
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

// Whether the system finds a name in any letter case (Windows): there a
// configuration keeps the name it has, as the game finds it by any.
#ifdef _WIN32
constexpr bool kNamesIgnoreCase = true;
#else
constexpr bool kNamesIgnoreCase = false;
#endif

// The file `name` in `folder`, joined with one separator: the one place
// folder and name meet, so that no later code has to guess where.
std::string InFolder(std::string_view folder, std::string_view name);

// How long the root of a path from the root is: "/", "C:\\", or
// "\\\\server\\share\\"; 0 for a path from a folder.
size_t RootLength(std::string_view path);

// A path with each run of separators as one. A backslash is part of a name.
std::string NativePath(std::string_view path);

// The folder part and the name part of a path.
std::string FolderOf(std::string_view path);
std::string NameOf(std::string_view path);

// The path from the root, with no "." or ".." left in it and no separator
// at its end.
std::string AbsolutePath(std::string_view path);

// The path's one real place: from the root, every link followed; nothing
// when a part of it does not exist, and errno says why.
std::optional<std::string> RealPath(const std::string& path);

// The path as seen from `folder` ("../Sounds/BaseDialog.uax"), both taken
// from the root.
std::string RelativePath(std::string_view path, std::string_view folder);

// Whether the path is the folder or lies inside it; both from the root.
bool IsWithin(std::string_view path, std::string_view folder);

// Whether anything stands under the name itself: a link counts, even one
// that leads nowhere.
bool ExistsNotFollowingLinks(const std::string& path);

// Whether a regular file can be opened for reading: an answer, not a fault.
enum class ReadAccess { Readable, NoFile, Denied };
ReadAccess ReadAccessOf(const std::string& path);

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

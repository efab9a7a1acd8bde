#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gameini {

// Paths are built as the folder's text followed by a fixed name that begins
// with a backslash ("\postal2.ini"). The last backslash stands for the
// separator unless a slash follows it, and a run of separators counts as one.
std::string NativePath(std::string_view path);

// The folder part and the name part of a path built as above.
std::string FolderOf(std::string_view path);
std::string NameOf(std::string_view path);

// The name a save stores the game's configuration under, and the one its
// Linux build reads.
constexpr std::string_view kSavedConfigurationName = "Postal2.ini";

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

#pragma once

#include <string>
#include <string_view>

namespace gameini {

// Paths are built as the folder's text followed by a fixed name that begins
// with a backslash ("\postal2.ini"). The last backslash stands for the
// separator, and a run of separators counts as one.
std::string NativePath(std::string_view path);

// The folder part and the name part of a path built as above.
std::string FolderOf(std::string_view path);
std::string NameOf(std::string_view path);

// Finds the file the path names without regard to letter case, as the game's
// home platform does: an exact match wins, otherwise the first name in byte
// order whose lower-case form equals the wanted one's. With no match the
// native path is returned unchanged, ready to be created under that name.
std::string ResolvePath(std::string_view path);

} // namespace gameini

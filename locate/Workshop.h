#pragma once

#include "gameini/ConfigurationContents.h"
#include "gameini/RewritePlan.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace locate {

// A Steam Workshop item as the game keeps it: a folder named by its ID under
// WorkshopPath= of [Core.System], with a subfolder for each kind of package
// ("Scripts", "Maps", "Textures").
struct WorkshopFolder {
    std::string name;                    // as on disk
    std::vector<std::string> extensions; // of its packages, as first met: "u", "fuk"
    std::vector<std::string> files;      // its package files, by name
};
struct WorkshopItem {
    std::string id;
    std::vector<WorkshopFolder> folders; // those that hold packages, by name
};

// Where a configuration's items are: WorkshopPath= as written (by default
// "..\WorkshopContent", from the System folder), and that folder found on
// disk, empty when it is missing.
struct Workshop {
    std::string entry;
    std::string folder;
};
Workshop WorkshopOf(const gameini::ConfigurationContents& setup, const std::string& configFolder);

// Every item of the Workshop folder, by ID. Throws gameini::FileError when
// the folder cannot be read.
std::vector<WorkshopItem> WorkshopItems(const Workshop& workshop);
// The item with this ID, or nothing when its folder is missing.
std::optional<WorkshopItem> FindWorkshopItem(const Workshop& workshop, std::string_view id);

// The Paths= entries an item needs, one per folder and extension, in the
// slashes given: "..\WorkshopContent\737631813\Scripts\*.u".
std::vector<std::string> SearchPathsFor(const WorkshopItem& item, const Workshop& workshop,
                                        char slash);
// The slash the file's own Paths= entries use most; a backslash if none.
char SlashOf(const std::vector<gameini::SearchPathLine>& lines);
// Whether a Paths= entry leads into the item's folder, in any slashes and
// letter case.
bool IsItemSearchPath(std::string_view entry, const Workshop& workshop, std::string_view id);
// The ID of the item a Paths= entry leads into, or nothing.
std::optional<std::string> ItemOfSearchPath(std::string_view entry, const Workshop& workshop);

// An item's package that players are not sent, and why.
struct LeftOutPackage {
    enum class Why { ServerOnly, NotDownloadable, Unreadable };
    std::string file;
    Why why;
    std::string problem; // why it cannot be read
};
// The packages of an item players need: every one but its maps (`mapExt`,
// "fuk"), which reach players as the map played. A server-only or
// non-downloadable package, or one that cannot be read, is left out.
std::vector<std::string> ItemPackagesToSend(const WorkshopItem& item, std::string_view mapExt,
                                            std::vector<LeftOutPackage>& leftOut);

// Whether two Paths= entries name the same files, in any slashes and
// letter case.
bool SameSearchPath(std::string_view a, std::string_view b);

// workshop add: the items' Paths= lines, in the slashes the file's own use,
// after the last Paths= line, and `packages` after the last package line;
// what is configured already is left as it is.
gameini::EditPackages AddWorkshopItems(std::vector<WorkshopItem> items, Workshop workshop,
                                       std::vector<std::string> packages);

// workshop remove: every Paths= line into the items' folders, and the
// package lines of what those lines found and no other Paths= line finds.
gameini::EditPackages RemoveWorkshopItems(std::vector<std::string> ids, Workshop workshop,
                                          std::string configFolder,
                                          std::vector<std::string> itemPackages);

} // namespace locate

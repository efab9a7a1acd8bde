#pragma once

#include <string>
#include <string_view>

namespace gameini {

// Why a configuration cannot be replaced by a new file, only overwritten:
// a new file would leave another name of it on the old one.
enum class InPlace {
    No,
    MountPoint,  // a file bind-mounted here, as into a container: it cannot be renamed
    MountSource, // the source of a file bind mount in some mount namespace
    HardLinked,  // one of several hard links
};

// The files a save of one configuration works with, as full paths.
struct ConfigurationFiles {
    std::string config; // the configuration, as found in any letter case
    std::string work;   // receives the rewritten configuration
    std::string backup; // keeps the previous configuration
    std::string saved;  // the name the work file takes
    // Holds the previous configuration, whole and on disk, while a save in
    // place overwrites the configuration; it then becomes the backup. Found
    // when no save runs, it is left from a save in place that did not finish.
    std::string unfinished;
    // The configuration was reached through a symbolic link: the files above
    // are those of its final target, in the target's folder.
    bool linked = false;
    // Why the configuration is written in place rather than replaced, or No.
    InPlace inPlace = InPlace::No;

    // The backup `path` as its user knows it: by its name beside the
    // configuration, by its path beside a linked one's target; "" for none.
    std::string BackupAsKnown(const std::string& path) const;
};

// The files for the configuration `name` in `folder`. The game's own
// "postal2.ini" uses "newp2.ini", "postal2.ini.old" and "Postal2.ini"; any
// other NAME uses NAME.new and NAME.old and keeps its name. The unfinished
// save's file is the backup's name with ".new". A symbolic link
// is followed to its final target, which keeps its own name, and the files
// are the target's, by the target's name; a link that leads nowhere throws
// FileError.
//
// For a reader, which needs neither, the work file's letter case (a look at
// the whole folder) and whether the configuration is saved in place are not
// looked up: `work` is the plain name and `inPlace` No. A bind mount is seen
// in the mount tables of the processes /proc shows.
enum class Lookup { ForSaving, ForReading };
ConfigurationFiles ConfigurationFilesOf(std::string_view folder, std::string_view name,
                                        Lookup lookup = Lookup::ForSaving);

// Throws ConfigurationError, before anything is written, when the folder holds the
// configuration under more than one letter case: a save could not tell which
// one the game reads.
void RefuseCaseVariants(const ConfigurationFiles& files);

} // namespace gameini

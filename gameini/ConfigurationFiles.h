#pragma once

#include <string>
#include <string_view>

namespace gameini {

// The files a save of one configuration works with, as full paths.
struct ConfigurationFiles {
    std::string config; // the configuration, as found in any letter case
    std::string work;   // receives the rewritten configuration
    std::string backup; // keeps the previous configuration
    std::string saved;  // the name the work file takes
};

// The files for the configuration `name` in `folder`. The game's own
// "postal2.ini" uses "newp2.ini", "postal2.ini.old" and "Postal2.ini"; any
// other NAME.ini uses NAME.ini.new and NAME.ini.old and keeps its name.
ConfigurationFiles ConfigurationFilesOf(std::string_view folder, std::string_view name);

// Throws FileError, before anything is written, when the folder holds the
// configuration under more than one letter case: a save could not tell which
// one the game reads.
void RefuseCaseVariants(const ConfigurationFiles& files);

} // namespace gameini

#pragma once

#include "cli/Context.h"
#include "gameini/ConfigurationFiles.h"
#include "gameini/RewritePlan.h"

#include <string>
#include <vector>

namespace cli {

// What a change of the configuration did, or for a dry run would do.
struct ChangeReport {
    std::string file; // absolute
    bool changed = false;
    std::string backup;      // where the previous configuration is kept, absolute; empty: none
    std::string backupShown; // ... as the text names it
    gameini::InPlace inPlace = gameini::InPlace::No;
    std::vector<std::string> before, after;
    gameini::RewritePlan::Excerpt changedPart; // a dry run's, or with --diff
};

// Prints it as text, or as one JSON object with the file, whether it
// changed, the backup, the package names before and after and, for a dry
// run or with --diff, the diff.
void PrintChange(const Context& context, const ChangeReport& report, const char* verb);

} // namespace cli

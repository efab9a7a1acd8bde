#pragma once

#include "locate/RunningGame.h"

#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace locate {

// A configuration file of a System folder, as where lists it.
struct FoundConfiguration {
    std::string path;
    size_t packages;
    int64_t changed;     // nanoseconds since 1970, as gameini::FileStatus::modified
    bool isTemplate;     // Default.ini or DefUser.ini: what the game copies, not what it reads
    std::string twinOf;  // the configuration the edits use, of which this is a case twin
    bool newest = false; // changed last of those found
    std::vector<GameProcess> usedBy; // the running servers that write it back
};

// Adds the configurations of one System folder: its postal2.ini in any
// letter case, and every other .ini that has an [Engine.GameEngine] section,
// each read under its lock, waiting up to `wait`; a file already `seen`, by
// its real path, is passed over. Throws gameini::BusyError when a lock is
// held longer.
void AddConfigurationsOf(const std::string& folder, std::chrono::milliseconds wait,
                         std::set<std::string>& seen, std::vector<FoundConfiguration>& found);

// Marks the newest of them (every one changed last, to the nanosecond;
// never a template or a twin) and the servers running with each.
void MarkNewestAndUsers(std::vector<FoundConfiguration>& found,
                        const std::vector<GameProcess>& running);

} // namespace locate

#pragma once

#include "gameini/ConfigurationFiles.h"

#include <cstdint>
#include <optional>
#include <string>

namespace gameini {

// A file's owner and group.
struct Owner {
    uint32_t user;
    uint32_t group;
    bool operator==(const Owner&) const = default;
    // By name, as "steam:games"; by number where the system has no name.
    std::string Text() const;
};

std::optional<Owner> OwnerOf(const std::string& path);

// Why a save by this process, which replaces the configuration with a new
// file, would not keep it as it is: the process may not write the file
// itself, or the new file could not keep the owner or the group, as only
// root may give a file away. Names the file, its owner and what it would
// become; nothing when the save keeps them.
std::optional<std::string> OwnershipProblem(const ConfigurationFiles& files);

} // namespace gameini

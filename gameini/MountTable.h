#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gameini {

// One line of a mount table (/proc/PID/mountinfo): the device, the path
// inside that device's file system that is mounted, and where.
struct Mount {
    uint64_t device;
    std::string root;
    std::string mountPoint;
};

// The mount table at `path`; empty when it cannot be read. Lines not as the
// kernel writes them are passed over.
std::vector<Mount> ReadMountTable(const std::string& path);

// The mount tables of every mount namespace this process can see in /proc,
// its own first, each once where /proc tells the namespace.
std::vector<std::vector<Mount>> VisibleMountTables();

} // namespace gameini

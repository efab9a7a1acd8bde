#include "gameini/MountTable.h"

namespace gameini {

// Windows mounts whole volumes on drive letters and folders, never one file
// over another, so no configuration is a mount point or a mount's source.
std::vector<Mount> ReadMountTable(const std::string&) {
    return {};
}

std::vector<std::vector<Mount>> VisibleMountTables() {
    return {{}};
}

} // namespace gameini

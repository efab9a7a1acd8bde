#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace window {

// A mounted volume as the mount table names it.
struct Volume {
    QString mountPoint;
    QString label;  // empty when it has none
    QString device; // "/dev/sda1", "tmpfs", ...
};

// The volumes of the mount table (QStorageInfo's reading of it).
std::vector<Volume> MountedVolumes();

// A drive list entry: the text shown, the designation Drive() gives, and the
// full path shown as its tooltip.
struct DriveEntry {
    QString shown;
    std::string designation;
    QString path;
};

// A mounted volume is designated as "volume:" and its mount point, which leads
// the folder list to the folder last current on it; a Postal 2 installation by
// its System folder's path.
std::string VolumeDesignation(const std::string& mountPoint);
std::optional<std::string> MountPointOf(const std::string& designation);

// The volumes of `volumes` that hold real file systems, the one holding
// `startFolder` among them, then the Postal 2 installations found under
// `home`. A volume whose mount point this process cannot see as a folder
// (outside a chroot's or container's root) is left out; where no volume
// left holds the start folder, "/" is offered.
std::vector<DriveEntry> DriveEntries(const std::vector<Volume>& volumes,
                                     const std::string& startFolder, const std::string& home);

} // namespace window

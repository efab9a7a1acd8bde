#pragma once

#include "Controls.h"

#include <QComboBox>
#include <functional>
#include <optional>

// A drive list entry: the text shown and the designation Drive() gives.
struct DriveEntry {
    QString shown;
    std::string designation;
};

// A mounted volume is designated as "volume:" and its mount point, which leads
// the folder list to the folder last current on it; a Postal 2 installation by
// its System folder's path.
std::string VolumeDesignation(const std::string& mountPoint);
std::optional<std::string> MountPointOf(const std::string& designation);

// The volumes holding real file systems, the one holding `startFolder` among
// them, then the Postal 2 installations found under `home`.
std::vector<DriveEntry> DriveEntries(const std::string& startFolder, const std::string& home);

// The drive list. Starts on the entry for the volume holding the start folder
// and raises onChange only when the user picks another entry.
class DriveListBox : public QComboBox, public DriveListControl {
public:
    DriveListBox(const std::vector<DriveEntry>& entries, const std::string& startFolder,
                 QWidget* parent = nullptr);

    std::string Drive() const override;

    std::function<void()> onChange;
};

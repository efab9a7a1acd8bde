#pragma once

#include "Controls.h"

#include <QComboBox>
#include <functional>
#include <optional>

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

// The volumes holding real file systems, the one holding `startFolder` among
// them, then the Postal 2 installations found under `home`.
std::vector<DriveEntry> DriveEntries(const std::string& startFolder, const std::string& home);

// The drive list. Starts on the installation or else the volume holding the
// start folder, and raises onChange only when the user picks another entry. The closed field
// elides a long entry; the opened list is as wide as its longest entry.
class DriveListBox : public QComboBox, public DriveListControl {
public:
    DriveListBox(const std::vector<DriveEntry>& entries, const std::string& startFolder,
                 QWidget* parent = nullptr);

    std::string Drive() const override;
    // Shows the installation or else the volume of a folder the folder list
    // moved to, as a drive list shows the current drive, unless the entry
    // shown already holds it. Raises no onChange.
    void ShowFolder(const std::string& folder);

    std::function<void()> onChange;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showPopup() override;

private:
    bool Holds(int index, const std::string& folder) const;
};

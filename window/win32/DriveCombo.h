#pragma once

#include "window/Controls.h"

#include <functional>
#include <string>
#include <vector>
#include <windows.h>

namespace window {

// The drive list: a drop-down of the logical drives ("c: [System]"), then
// the Postal 2 installs found. A drive is designated by its root ("C:\"),
// an install by its System folder.
class DriveCombo : public DriveListControl {
public:
    DriveCombo(HWND combo, const std::string& home);

    std::string Drive() const override;
    // Shows the entry that holds the folder, without a change notification:
    // its install, else its drive.
    void ShowFolder(const std::string& folder);

private:
    struct Entry {
        std::string designation;
        bool isDrive;
    };
    HWND combo_;
    std::vector<Entry> entries_;
};

// Whether a drive list designation is a drive's root rather than a folder.
bool IsDriveRoot(const std::string& designation);

} // namespace window

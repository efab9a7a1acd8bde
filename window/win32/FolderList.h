#pragma once

#include "window/Controls.h"

#include <functional>
#include <string>
#include <vector>
#include <windows.h>

namespace window {

class FolderListingCache;

// The folder list: the folders from the root down to the current one, each
// a step further in, then the current folder's subfolders. Double-click or
// Enter opens a folder.
class FolderList : public FolderListControl {
public:
    // Shows `startFolder` without raising onChange.
    FolderList(HWND list, const std::string& startFolder, FolderListingCache& listings);

    std::string Path() const override { return path_; }
    // Takes a folder, or a drive's root for the folder current on that drive.
    void SetPath(const std::string& pathOrDrive) override;
    // Opens the selected folder.
    void OpenSelected();

    std::function<void()> onChange;

private:
    void Show(const std::string& folder);

    HWND list_;
    FolderListingCache& listings_;
    std::string path_;
    std::vector<std::string> shown_; // each entry's folder
};

} // namespace window

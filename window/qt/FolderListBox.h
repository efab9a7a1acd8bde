#pragma once

#include "window/Controls.h"

#include <QListWidget>
#include <functional>
#include <map>
#include <sys/types.h>

namespace window {

class FolderListingCache;
class HandlerGuard;

// The folder list: the folders from the root down to the current one, then
// the current folder's subfolders. Double-click or Enter opens a folder.
class FolderListBox : public QListWidget, public FolderListControl {
public:
    // Shows `startFolder` without raising onChange.
    FolderListBox(const std::string& startFolder, HandlerGuard& guard, FolderListingCache& listings,
                  QWidget* parent = nullptr);

    std::string Path() const override { return path_; }
    // Takes a folder path or a volume designation of the drive list.
    void SetPath(const std::string& pathOrDrive) override;

    std::function<void()> onChange;

private:
    void Show(const std::string& folder);

    FolderListingCache& listings_;
    std::string path_;
    // The folder last current on each volume, by device number.
    std::map<dev_t, std::string> lastFolderOnVolume_;
};

} // namespace window

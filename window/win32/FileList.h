#pragma once

#include "window/Controls.h"

#include <memory>
#include <windows.h>

namespace locate {
struct FolderListing;
}

namespace window {

class FolderListingCache;

// The file list: the folder's package files (*.u).
class FileList : public FileListControl {
public:
    FileList(HWND list, FolderListingCache& listings) : list_(list), listings_(listings) {}

    void SetPath(const std::string& folder) override;
    int ListCount() const override;
    std::string List(int index) const override;

private:
    HWND list_;
    FolderListingCache& listings_;
    std::shared_ptr<const locate::FolderListing> listing_;
};

} // namespace window

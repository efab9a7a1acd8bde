#include "window/win32/FileList.h"

#include "gameini/win32/WideText.h"
#include "window/FolderListingCache.h"

namespace window {

void FileList::SetPath(const std::string& folder) {
    listing_ = listings_.Read(folder);
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    for (const std::string& name : listing_->packageFiles)
        SendMessageW(list_, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(gameini::WideText(name).c_str()));
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

int FileList::ListCount() const {
    return listing_ ? static_cast<int>(listing_->packageFiles.size()) : 0;
}

std::string FileList::List(int index) const {
    return listing_->packageFiles.at(static_cast<size_t>(index));
}

} // namespace window

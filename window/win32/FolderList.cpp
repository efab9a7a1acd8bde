#include "window/win32/FolderList.h"

#include "gameini/GamePath.h"
#include "gameini/win32/WideText.h"
#include "window/FolderListingCache.h"
#include "window/win32/DriveCombo.h"

namespace window {

namespace {

// A few spaces a level, as a classic folder list indents.
constexpr size_t kIndent = 2;

// "D:" alone is the current folder on drive D, as the system holds it.
std::string CurrentFolderOn(char drive) {
    const std::wstring relative{static_cast<wchar_t>(drive), L':'};
    wchar_t full[32768];
    const DWORD length = GetFullPathNameW(relative.c_str(), 32768, full, nullptr);
    return length > 0 && length < 32768 ? gameini::Utf8Text(std::wstring(full, length))
                                        : std::string{drive, ':', '\\'};
}

} // namespace

FolderList::FolderList(HWND list, const std::string& startFolder, FolderListingCache& listings)
    : list_(list), listings_(listings) {
    Show(gameini::AbsolutePath(startFolder));
}

void FolderList::SetPath(const std::string& pathOrDrive) {
    // A drive leads to the folder the system holds as current on it.
    const std::string folder =
        IsDriveRoot(pathOrDrive) ? CurrentFolderOn(pathOrDrive[0]) : pathOrDrive;
    const std::string before = path_;
    Show(gameini::AbsolutePath(folder));
    // Opening the folder that is already current must not reload the list
    // and throw away unsaved ticks.
    if (path_ != before && onChange)
        onChange();
}

void FolderList::OpenSelected() {
    const LRESULT index = SendMessageW(list_, LB_GETCURSEL, 0, 0);
    if (index >= 0 && static_cast<size_t>(index) < shown_.size())
        SetPath(shown_[index]);
}

void FolderList::Show(const std::string& folder) {
    const std::shared_ptr<const locate::FolderListing> listing = listings_.Read(folder);
    const std::vector<std::string> chain = locate::FolderChain(folder);
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    shown_.clear();
    auto add = [this](size_t depth, const std::string& path, const std::string& name) {
        const std::wstring text = std::wstring(depth * kIndent, L' ') + gameini::WideText(name);
        SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        shown_.push_back(path);
    };
    for (size_t depth = 0; depth < chain.size(); ++depth)
        add(depth, chain[depth], depth == 0 ? chain[0] : gameini::NameOf(chain[depth]));
    for (const std::string& name : listing->subfolders)
        add(chain.size(), gameini::InFolder(folder, name), name);
    SendMessageW(list_, LB_SETCURSEL, chain.size() - 1, 0);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    path_ = folder;
}

} // namespace window

#include "window/win32/FolderList.h"

#include "gameini/GamePath.h"
#include "gameini/SystemCalls.h"
#include "gameini/win32/WideText.h"
#include "window/FolderListingCache.h"
#include "window/win32/DriveCombo.h"

#include <cwctype>

namespace window {

namespace {

// A few spaces a level, as a classic folder list indents.
constexpr size_t kIndent = 2;

char DriveLetterOf(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' ? static_cast<char>(towupper(path[0])) : '\0';
}

} // namespace

FolderList::FolderList(HWND list, const std::string& startFolder, FolderListingCache& listings)
    : list_(list), listings_(listings) {
    Show(gameini::AbsolutePath(startFolder));
}

void FolderList::SetPath(const std::string& pathOrDrive) {
    std::string folder = pathOrDrive;
    if (IsDriveRoot(pathOrDrive)) {
        const auto last = lastFolderOnDrive_.find(DriveLetterOf(pathOrDrive));
        const std::optional<gameini::FileStatus> lastFolder =
            last == lastFolderOnDrive_.end() ? std::nullopt : gameini::StatusOf(last->second);
        if (lastFolder && lastFolder->kind == gameini::FileStatus::Kind::Folder)
            folder = last->second;
    }
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
    if (const char drive = DriveLetterOf(folder))
        lastFolderOnDrive_[drive] = folder;
}

} // namespace window

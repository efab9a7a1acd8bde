#include "gameini/Directory.h"

#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"
#include "gameini/SystemCalls.h"
#include "gameini/win32/SystemError.h"
#include "gameini/win32/WideText.h"

#include <cerrno>
#include <string_view>
#include <windows.h>

namespace gameini {

struct Directory::Listing {
    HANDLE find;
    WIN32_FIND_DATAW found;
    bool unread; // `found` holds the first entry, not yet given
    std::string name;
};

Directory::Directory(std::string path) : path_(std::move(path)) {
    auto listing = std::make_unique<Listing>();
    listing->find =
        FindFirstFileExW(WideText(InFolder(path_, "*")).c_str(), FindExInfoBasic, &listing->found,
                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (listing->find == INVALID_HANDLE_VALUE) {
        errno = ErrnoOf(GetLastError());
        return;
    }
    listing->unread = true;
    listing_ = std::move(listing);
}

Directory::~Directory() {
    if (listing_)
        FindClose(listing_->find);
}

const char* Directory::Next() {
    while (listing_ && (std::exchange(listing_->unread, false) ||
                        FindNextFileW(listing_->find, &listing_->found))) {
        listing_->name = Utf8Text(listing_->found.cFileName);
        if (listing_->name != "." && listing_->name != "..")
            return listing_->name.c_str();
    }
    return nullptr;
}

EntryKind Directory::KindOfLast() const {
    const DWORD attributes = listing_->found.dwFileAttributes;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return attributes & FILE_ATTRIBUTE_DIRECTORY ? EntryKind::Folder : EntryKind::File;
    // A link is judged by what it leads to: opened, it is that.
    const FileDescriptor target{OpenToRead(InFolder(path_, listing_->name))};
    const std::optional<FileStatus> status =
        target.Get() < 0 ? std::nullopt : StatusOf(target.Get());
    if (!status)
        return EntryKind::Other;
    return status->IsRegular()                        ? EntryKind::File
           : status->kind == FileStatus::Kind::Folder ? EntryKind::Folder
                                                      : EntryKind::Other;
}

} // namespace gameini

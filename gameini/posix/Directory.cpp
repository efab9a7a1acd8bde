#include "gameini/Directory.h"

#include "gameini/GamePath.h"

#include <dirent.h>
#include <string_view>
#include <sys/stat.h>

namespace gameini {

struct Directory::Listing {
    DIR* dir;
    const dirent* last = nullptr;
};

Directory::Directory(std::string path) : path_(std::move(path)) {
    if (DIR* dir = opendir(path_.c_str()))
        listing_ = std::make_unique<Listing>(Listing{dir});
}

Directory::~Directory() {
    if (listing_)
        closedir(listing_->dir);
}

const char* Directory::Next() {
    while (listing_ && (listing_->last = readdir(listing_->dir))) {
        const std::string_view name = listing_->last->d_name;
        if (name != "." && name != "..")
            return listing_->last->d_name;
    }
    return nullptr;
}

EntryKind Directory::KindOfLast() const {
    const dirent& entry = *listing_->last;
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN || type == DT_LNK) {
        struct stat info; // follows links: a link to a file counts as a file
        if (stat(InFolder(path_, entry.d_name).c_str(), &info) != 0)
            return EntryKind::Other;
        type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
    }
    return type == DT_REG ? EntryKind::File : type == DT_DIR ? EntryKind::Folder : EntryKind::Other;
}

} // namespace gameini

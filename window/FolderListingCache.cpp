#include "window/FolderListingCache.h"

#include <ctime>

namespace window {

namespace {

// File systems stamp a change no finer than this (FAT: two seconds). A folder
// changed more recently than that before it was read could change again
// without its time moving, so its listing is not given again.
constexpr time_t kTimestampSeconds = 3;

bool SameFolderUnchanged(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

} // namespace

std::shared_ptr<const locate::FolderListing> FolderListingCache::Read(const std::string& folder) {
    struct stat identity {};
    const bool known = stat(folder.c_str(), &identity) == 0;
    if (known && listing_ && folder_ == folder && SameFolderUnchanged(identity, identity_))
        return listing_;
    std::shared_ptr<const locate::FolderListing> listing = locate::ReadFolder(folder);
    const bool quietBeforeReading =
        known && identity.st_mtim.tv_sec + kTimestampSeconds < std::time(nullptr);
    folder_ = folder;
    identity_ = identity;
    listing_ = quietBeforeReading ? listing : nullptr;
    return listing;
}

} // namespace window

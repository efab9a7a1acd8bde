#include "window/FolderListingCache.h"

#include <ctime>

namespace window {

namespace {

// File systems stamp a change no finer than this (FAT: two seconds). A folder
// changed more recently than that before it was read could change again
// without its time moving, so its listing is not given again.
constexpr int64_t kTimestampNanoseconds = int64_t{3} * 1'000'000'000;

bool SameFolderUnchanged(const gameini::FileStatus& a, const gameini::FileStatus& b) {
    return a.SameFileAs(b) && a.modified == b.modified;
}

} // namespace

std::shared_ptr<const locate::FolderListing> FolderListingCache::Read(const std::string& folder) {
    const std::optional<gameini::FileStatus> identity = gameini::StatusOf(folder);
    if (identity && listing_ && folder_ == folder && SameFolderUnchanged(*identity, identity_))
        return listing_;
    std::shared_ptr<const locate::FolderListing> listing = locate::ReadFolder(folder);
    const bool quietBeforeReading =
        identity && identity->modified + kTimestampNanoseconds <
                        static_cast<int64_t>(std::time(nullptr)) * 1'000'000'000;
    folder_ = folder;
    identity_ = identity.value_or(gameini::FileStatus());
    listing_ = quietBeforeReading ? listing : nullptr;
    return listing;
}

} // namespace window

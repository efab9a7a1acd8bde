#pragma once

#include "gameini/SystemCalls.h"
#include "locate/FolderContents.h"

#include <memory>
#include <string>

namespace window {

// Opening a folder fills the folder list and then the file list from one
// reading of it: the listing of the folder read last is given again while
// that folder has not changed.
class FolderListingCache {
public:
    // Throws gameini::FileError when the folder cannot be read.
    std::shared_ptr<const locate::FolderListing> Read(const std::string& folder);

private:
    std::string folder_;
    gameini::FileStatus identity_;
    std::shared_ptr<const locate::FolderListing> listing_;
};

} // namespace window

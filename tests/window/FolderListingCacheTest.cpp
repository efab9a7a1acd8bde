#include "window/FolderListingCache.h"
#include "support/TempFolder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace window;

using Names = std::vector<std::string>;

TEST(FolderListingCache, ReadsAFolderAgainOnlyWhenItMayHaveChanged) {
    FolderListingCache listings;
    TempFolder folder;
    folder.write("a.u", "");
    // Just changed: read afresh each time.
    EXPECT_NE(listings.Read(folder.path()), listings.Read(folder.path()));

    const timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, folder.path().c_str(), longAgo, 0), 0);
    std::shared_ptr<const locate::FolderListing> first = listings.Read(folder.path());
    EXPECT_EQ(listings.Read(folder.path()), first) << "unchanged for long: the same listing";

    folder.write("b.u", "");
    EXPECT_EQ(listings.Read(folder.path())->packageFiles, (Names{"a.u", "b.u"}));
}

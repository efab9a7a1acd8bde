#include "gameini/GamePath.h"

#include "support/TempFolder.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace gameini;

TEST(GamePath, JoinsTellsApartAndRelatesPathsByWholeNames) {
    EXPECT_EQ(InFolder("/", "Engine.u"), "/Engine.u");
    EXPECT_EQ(InFolder("/game/System/", "Engine.u"), "/game/System/Engine.u");
    EXPECT_EQ(NameOf("/game/System/Engine.u"), "Engine.u");
    EXPECT_EQ(FolderOf("Engine.u"), ".");
    EXPECT_EQ(FolderOf("/Engine.u"), "/");
    EXPECT_EQ(AbsolutePath("/game/System/../Maps/"), "/game/Maps");

    EXPECT_TRUE(IsWithin("/game/System", "/game"));
    EXPECT_TRUE(IsWithin("/game", "/game"));
    EXPECT_TRUE(IsWithin("/game", "/"));
    EXPECT_FALSE(IsWithin("/games", "/game"));
    EXPECT_FALSE(IsWithin("/gam", "/game"));
    EXPECT_EQ(RelativePath("/game/Sounds/BaseDialog.uax", "/game/System"),
              "../Sounds/BaseDialog.uax");
}

TEST(GamePath, ReadAccessIsAnAnswerForEveryKindOfName) {
    TempFolder folder;
    folder.write("postal2.ini", "[Engine.GameEngine]\r\n");
    ASSERT_EQ(mkdir((folder / "Folder.ini").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((folder / "Fifo.ini").c_str(), 0644), 0);
    ASSERT_EQ(symlink("nowhere", (folder / "Dangling.ini").c_str()), 0);

    EXPECT_EQ(ReadAccessOf(folder / "postal2.ini"), ReadAccess::Readable);
    for (const char* name : {"Missing.ini", "Folder.ini", "Fifo.ini", "Dangling.ini"})
        EXPECT_EQ(ReadAccessOf(folder / name), ReadAccess::NoFile) << name;
    EXPECT_TRUE(ExistsNotFollowingLinks(folder / "Dangling.ini"));
    EXPECT_FALSE(RealPath(folder / "Dangling.ini"));

    ASSERT_EQ(chmod((folder / "postal2.ini").c_str(), 0), 0);
    const std::string path = folder / "postal2.ini";
    EXPECT_TRUE(RunUnprivileged([&] { return ReadAccessOf(path) == ReadAccess::Denied; }));
}

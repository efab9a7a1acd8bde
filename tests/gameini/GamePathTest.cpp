#include "gameini/GamePath.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include "support/Unprivileged.h"

#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace gameini;

TEST(GamePath, JoinsTellsApartAndRelatesPathsByWholeNames) {
#ifdef _WIN32
    // Either slash, written as a backslash; drive letters and network paths.
    EXPECT_EQ(InFolder("C:\\", "Engine.u"), "C:\\Engine.u");
    EXPECT_EQ(InFolder("C:/Games//System/", "Engine.u"), "C:\\Games\\System\\Engine.u");
    EXPECT_EQ(NameOf("C:\\Games\\System\\Engine.u"), "Engine.u");
    EXPECT_EQ(FolderOf("Engine.u"), ".");
    EXPECT_EQ(FolderOf("C:\\Engine.u"), "C:\\");
    EXPECT_EQ(FolderOf("\\\\server\\share\\System\\postal2.ini"), "\\\\server\\share\\System");
    EXPECT_EQ(AbsolutePath("C:\\Games\\System\\..\\Maps\\"), "C:\\Games\\Maps");
    EXPECT_EQ(AbsolutePath("D:\\"), "D:\\");

    EXPECT_TRUE(IsWithin("C:\\Games\\System", "C:\\Games"));
    EXPECT_TRUE(IsWithin("C:\\Games", "C:\\"));
    EXPECT_FALSE(IsWithin("C:\\Gamesx", "C:\\Games"));
    EXPECT_EQ(RelativePath("C:\\Games\\Sounds\\BaseDialog.uax", "C:\\Games\\System"),
              "..\\Sounds\\BaseDialog.uax");
#else
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
#endif
}

#ifndef _WIN32 // FIFOs, dangling links and modes are POSIX's

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
#endif

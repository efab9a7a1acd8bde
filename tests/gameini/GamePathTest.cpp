#include "gameini/GamePath.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include "support/Unprivileged.h"

#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace gameini;

namespace {

// A path in the system's own terms: "/" and "/" on Linux, "C:\\" and "\\"
// on Windows.
#ifdef _WIN32
const std::string kRoot = "C:\\", kSlash = "\\";
#else
const std::string kRoot = "/", kSlash = "/";
#endif

std::string Path(std::initializer_list<std::string> names, bool fromRoot = true) {
    std::string path = fromRoot ? kRoot : "";
    for (const std::string& name : names)
        path += (path.empty() || path == kRoot ? "" : kSlash) + name;
    return path;
}

} // namespace

TEST(GamePath, JoinsTellsApartAndRelatesPathsByWholeNames) {
    EXPECT_EQ(InFolder(kRoot, "Engine.u"), Path({"Engine.u"}));
    EXPECT_EQ(InFolder(Path({"game", "System"}) + kSlash, "Engine.u"),
              Path({"game", "System", "Engine.u"}));
    EXPECT_EQ(NameOf(Path({"game", "System", "Engine.u"})), "Engine.u");
    EXPECT_EQ(FolderOf("Engine.u"), ".");
    EXPECT_EQ(FolderOf(Path({"Engine.u"})), kRoot);
    EXPECT_EQ(AbsolutePath(Path({"game", "System", "..", "Maps", ""})), Path({"game", "Maps"}));

    EXPECT_TRUE(IsWithin(Path({"game", "System"}), Path({"game"})));
    EXPECT_TRUE(IsWithin(Path({"game"}), Path({"game"})));
    EXPECT_TRUE(IsWithin(Path({"game"}), kRoot));
    EXPECT_FALSE(IsWithin(Path({"games"}), Path({"game"})));
    EXPECT_FALSE(IsWithin(Path({"gam"}), Path({"game"})));
    EXPECT_EQ(RelativePath(Path({"game", "Sounds", "BaseDialog.uax"}), Path({"game", "System"})),
              Path({"..", "Sounds", "BaseDialog.uax"}, false));
#ifdef _WIN32
    // Either slash, written as a backslash; other drives and network paths.
    EXPECT_EQ(InFolder("C:/Games//System/", "Engine.u"), "C:\\Games\\System\\Engine.u");
    EXPECT_EQ(FolderOf("\\\\server\\share\\System\\postal2.ini"), "\\\\server\\share\\System");
    EXPECT_EQ(AbsolutePath("D:\\"), "D:\\");
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

#include "GamePath.h"
#include "support/TempFolder.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

// A save killed at every step leaves the configuration whole: the old one or
// the new one where the game looks for it; only between the two renames the
// old one as postal2.ini.old and the new one as newp2.ini; and while a mount
// point is overwritten in place, a whole backup to restore it from.

namespace {

// Large enough that each file is written in several parts.
std::string Configuration(const char* packageLines) {
    std::string text = CrLf({"[Core.System]", "Paths=..\\System\\*.u", "[Engine.GameEngine]"});
    text += packageLines;
    while (text.size() < 700 * 1024)
        text += "; a comment line that makes the file large enough to be written in parts\r\n";
    return text;
}

const std::string kOld = Configuration("ServerPackages=Old\r\n");
// The window writes its list after the header; the command line adds in place.
const std::string kNewByWindow = Configuration("ServerPackages=Engine\r\nServerPackages=New\r\n");
const std::string kNewByAdd = Configuration("ServerPackages=Old\r\nServerPackages=New\r\n");

int RunChild(const std::string& folder, const char* point, const char* placement,
             const char* busy) {
    pid_t child = fork();
    if (child == 0) {
        execl(SAVE_CRASH_CHILD, SAVE_CRASH_CHILD, folder.c_str(), point, placement, busy, nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

} // namespace

TEST(Crash, AtEveryStepTheConfigurationSurvivesWhole) {
    enum class Left { Old, New, BetweenRenames, WholeBackup };
    const struct {
        const char* placement;
        const char* busy; // "busy": a mount point, saved in place
        const char* point;
        Left left;
    } cases[] = {
        {"window", "", "write:work#2", Left::Old},
        {"window", "", "close#1", Left::Old},
        {"window", "", "flush-new-file#1", Left::Old},
        {"window", "", "remove#1", Left::Old},
        {"window", "", "rename#1", Left::BetweenRenames},
        {"window", "", "rename#2", Left::New},
        {"window", "", "flush-folder#1", Left::New},
        {"window", "", "none", Left::New},
        {"add", "", "write:work#2", Left::Old},
        {"add", "", "rename#1", Left::BetweenRenames},
        {"add", "", "none", Left::New},
        {"add", "busy", "write:backup#2", Left::Old},
        {"add", "busy", "flush-new-file#2", Left::Old},
        {"add", "busy", "flush-folder#1", Left::Old},
        {"add", "busy", "open-for-overwrite#1", Left::Old},
        {"add", "busy", "write:config#1", Left::WholeBackup},
        {"add", "busy", "finish-overwrite#1", Left::New},
        {"add", "busy", "none", Left::New},
        {"window", "busy", "write:config#1", Left::WholeBackup},
        {"window", "busy", "none", Left::New},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.placement) + " " + c.busy + " " + c.point);
        TempFolder folder;
        folder.write("postal2.ini", kOld);
        folder.write("postal2.ini.old", "an older backup\r\n");
        const int status = RunChild(folder.path(), c.point, c.placement, c.busy);
        if (std::string(c.point) == "none")
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        else
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        const std::string& kNew = std::string(c.placement) == "add" ? kNewByAdd : kNewByWindow;
        const std::string config = gameini::ResolvePath(folder.path() + "/postal2.ini");
        switch (c.left) {
        case Left::Old:
        case Left::New:
            ASSERT_TRUE(std::filesystem::exists(config));
            EXPECT_TRUE(ReadBytes(config) == (c.left == Left::Old ? kOld : kNew))
                << "a partial or wrong configuration";
            break;
        case Left::BetweenRenames:
            EXPECT_FALSE(std::filesystem::exists(config));
            EXPECT_TRUE(folder.read("newp2.ini") == kNew);
            [[fallthrough]];
        case Left::WholeBackup:
            EXPECT_TRUE(folder.read("postal2.ini.old") == kOld);
            break;
        }
        if (std::string(c.point) == "none") {
            EXPECT_TRUE(folder.read("postal2.ini.old") == kOld);
            EXPECT_FALSE(folder.exists("newp2.ini")) << "no work file is left";
        }
    }
}

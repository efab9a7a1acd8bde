#include "GamePath.h"
#include "support/TempFolder.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

// A save killed at every step leaves the configuration whole: the old one or
// the new one where the game looks for it or, only between the two renames,
// the old one as postal2.ini.old and the new one as newp2.ini.

namespace {

// Large enough that the work file is written in several chunks.
std::string Configuration(const char* packageLine) {
    std::string text = CrLf({"[Core.System]", "Paths=..\\System\\*.u", "[Engine.GameEngine]"});
    text += std::string(packageLine) + "\r\n";
    while (text.size() < 700 * 1024)
        text += "; a comment line that makes the file large enough to be written in parts\r\n";
    return text;
}

const std::string kOld = Configuration("ServerPackages=Old");
const std::string kNew = [] {
    std::string text = Configuration("ServerPackages=Old");
    text.replace(text.find("ServerPackages=Old"), 18,
                 "ServerPackages=Engine\r\nServerPackages=New");
    return text;
}();

int RunChild(const std::string& folder, const char* point) {
    pid_t child = fork();
    if (child == 0) {
        execl(SAVE_CRASH_CHILD, SAVE_CRASH_CHILD, folder.c_str(), point, nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

} // namespace

TEST(Crash, AtEveryStepTheConfigurationSurvivesWhole) {
    const struct {
        const char* point;
        const std::string* config; // under the name the game reads; nullptr: none there
    } cases[] = {
        {"inside-write", &kOld},
        {"after-rewrite", &kOld},
        {"after-flush-work-file", &kOld},
        {"after-remove-backup", &kOld},
        {"after-rename-configuration", nullptr},
        {"after-rename-work-file", &kNew},
        {"after-flush-folder", &kNew},
        {"none", &kNew},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.point);
        TempFolder folder;
        folder.write("postal2.ini", kOld);
        folder.write("postal2.ini.old", "an older backup\r\n");
        int status = RunChild(folder.path(), c.point);
        if (std::string(c.point) == "none")
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        else
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        const std::string config = gameini::ResolvePath(folder.path() + "\\postal2.ini");
        if (c.config) {
            ASSERT_TRUE(std::filesystem::exists(config));
            EXPECT_TRUE(ReadBytes(config) == *c.config) << "a partial or wrong configuration";
        } else {
            EXPECT_FALSE(std::filesystem::exists(config));
            EXPECT_TRUE(folder.read("postal2.ini.old") == kOld);
            EXPECT_TRUE(folder.read("newp2.ini") == kNew);
        }
    }
}

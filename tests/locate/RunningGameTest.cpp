#include "locate/RunningGame.h"
#include "gameini/Error.h"
#include "support/MountNamespace.h"
#include "support/TempFolder.h"

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

// Which game processes stand in the way of an edit, where mounts make folders
// look alike and where /proc cannot be read.

namespace {

// A stand-in for the game's server, running in `folder` until killed.
pid_t StartServer(const std::string& folder) {
    const pid_t server = fork();
    if (server == 0) {
        if (chdir(folder.c_str()) == 0)
            execl("/bin/sleep", "postal2-bin", "60", nullptr);
        _exit(127);
    }
    usleep(200 * 1000);
    return server;
}

void Stop(pid_t server) {
    kill(server, SIGKILL);
    waitpid(server, nullptr, 0);
}

} // namespace

TEST(RunningGame, TwoFoldersAreOneOnlyOnOneDevice) {
    TempFolder running, edited;
    const int outcome =
        InMountNamespace({{"tmpfs:64k", running.path()}, {"tmpfs:64k", edited.path()}}, [&] {
            // Two new tmpfs roots: one inode number, two devices.
            WriteBytes(edited / "postal2.ini", "[Engine.GameEngine]\r\n");
            WriteBytes(running / "postal2.ini", "[Engine.GameEngine]\r\n");
            const pid_t server = StartServer(running.path());
            const bool elsewhere = locate::GamesUsing(edited / "postal2.ini").empty();
            const bool here = locate::GamesUsing(running / "postal2.ini").size() == 1;
            Stop(server);
            return elsewhere && here;
        });
    if (outcome == kNoMountNamespace)
        GTEST_SKIP() << "this machine does not allow a mount namespace";
    EXPECT_EQ(outcome, 0);
}

TEST(RunningGame, AProcFolderThatCannotBeReadIsAnErrorNotNoGame) {
    TempFolder folder;
    folder.write("postal2.ini", "[Engine.GameEngine]\r\n");
    chmod(folder.path().c_str(), 0755); // the configuration itself can be looked at
    const int outcome = InMountNamespace({{"tmpfs:64k", "/proc"}}, [&] {
        // A /proc that cannot be read, as for a user where it is hidden.
        if (chmod("/proc", 0) != 0 || setresgid(65534, 65534, 65534) != 0 ||
            setresuid(65534, 65534, 65534) != 0)
            return geteuid() != 0; // only root can hide it
        try {
            locate::GamesUsing(folder / "postal2.ini");
        } catch (const gameini::FileError& error) {
            return std::string(error.what()).starts_with("Cannot tell whether the game is running");
        }
        return false;
    });
    if (outcome == kNoMountNamespace)
        GTEST_SKIP() << "this machine does not allow a mount namespace";
    EXPECT_EQ(outcome, 0);
}

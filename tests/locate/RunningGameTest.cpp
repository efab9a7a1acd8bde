#include "locate/RunningGame.h"
#include "gameini/Error.h"
#include "support/MountNamespace.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include "gameini/GamePath.h"
#include "gameini/win32/WideText.h"

#include <windows.h>
#else
#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>
#endif

// Which game processes stand in the way of an edit, where mounts make folders
// look alike and where /proc cannot be read.

#ifdef _WIN32
namespace {

// A stand-in for the game's server: game_stand_in.exe, beside the tests,
// copied to `folder` as `program` and started with `arguments`.
struct StandIn {
    StandIn(const std::string& folder, const char* program, const std::string& arguments) {
        wchar_t tests[MAX_PATH];
        GetModuleFileNameW(nullptr, tests, MAX_PATH);
        const std::string original =
            gameini::InFolder(gameini::FolderOf(gameini::Utf8Text(tests)), "game_stand_in.exe");
        const std::string copy = gameini::InFolder(folder, program);
        EXPECT_TRUE(
            CopyFileW(gameini::WideText(original).c_str(), gameini::WideText(copy).c_str(), FALSE));
        std::wstring line = gameini::WideText("\"" + copy + "\" " + arguments);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process));
        CloseHandle(process.hThread);
        Sleep(300);
    }
    ~StandIn() {
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
    }
    PROCESS_INFORMATION process = {};
};

} // namespace

TEST(RunningGame, ByItsProgramsFolderOrTheConfigurationItsCommandLineNames) {
    TempFolder system, elsewhere;
    system.write("postal2.ini", "[Engine.GameEngine]\r\n");
    system.write("Postal2CoOp.ini", "[Engine.GameEngine]\r\n");
    auto why = [&](const char* config) {
        const std::vector<locate::GameProcess> games = locate::GamesUsing(system / config);
        return games.empty() ? "" : games.front().name + ": " + games.front().why;
    };
    {
        const StandIn game(system.path(), "Postal2.exe", "");
        EXPECT_EQ(why("postal2.ini"),
                  "Postal2.exe: its program's folder is the configuration's folder");
        EXPECT_EQ(locate::RunningGames().size(), 1u);
    }
    {
        const StandIn server(system.path(), "UCC.exe", "server DM-Map ini=Postal2CoOp.ini");
        EXPECT_EQ(why("Postal2CoOp.ini"), "UCC.exe: its command line names it with ini=");
        EXPECT_EQ(why("postal2.ini"), "") << "a server told its configuration writes back that one";
    }
    {
        const StandIn server(elsewhere.path(), "UCC.exe",
                             "server -ini=\"" + system / "postal2.ini" + "\"");
        EXPECT_EQ(why("postal2.ini"), "UCC.exe: its command line names it with -ini=");
    }
    const StandIn elsewhereAlone(elsewhere.path(), "UCC.exe", "server");
    EXPECT_EQ(why("postal2.ini"), "");
}
#else
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
#endif

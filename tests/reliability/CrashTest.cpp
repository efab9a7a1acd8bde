#include "gameini/ConfigurationContents.h"
#include "gameini/EditPolicies.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/SaveGameIni.h"
#include "redirect/RedirectFolder.h"
#include "redirect/Uz2.h"
#include "redirect/Uz2Compressor.h"
#include "support/ErrorOf.h"
#include "support/PackageBuilder.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#ifdef _WIN32
#include <process.h>
#else
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

// A save killed at every step leaves a whole configuration where the game
// looks for it: the old one or the new one; only while a mount point is
// overwritten in place may it be cut short, and then a whole copy of the old
// one waits beside it, which the next save points to. A killed save holds no
// lock: the next writer goes on at once.

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

// How the child ended.
enum class End { Finished, Killed, Other };

// `last`: "busy" for a save, the redirect folder for "redirect".
End RunChild(const std::string& folder, const char* point, const char* placement,
             const char* last) {
#ifdef _WIN32
    // Windows joins the words unquoted: the temporary folders hold no blank.
    const intptr_t status = _spawnl(_P_WAIT, SAVE_CRASH_CHILD, SAVE_CRASH_CHILD, folder.c_str(),
                                    point, placement, last, nullptr);
    return status == 0 ? End::Finished : status == 137 ? End::Killed : End::Other;
#else
    pid_t child = fork();
    if (child == 0) {
        execl(SAVE_CRASH_CHILD, SAVE_CRASH_CHILD, folder.c_str(), point, placement, last, nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return End::Finished;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? End::Killed : End::Other;
#endif
}

// The packages the configuration in `folder` names.
std::vector<std::string> Packages(const std::string& folder) {
    std::vector<std::string> names;
    for (const gameini::ConfiguredPackage& package :
         gameini::ReadConfiguration(folder + "/postal2.ini").configured)
        names.push_back(package.name);
    return names;
}

} // namespace

TEST(Crash, AtEveryStepTheConfigurationSurvivesWholeAndTheNextWriterGoesOn) {
    enum class Left { Old, New, Unfinished };
    const struct {
        const char* placement;
        const char* busy; // "busy": a mount point, saved in place
        const char* point;
        Left left;
    } cases[] = {
#ifdef _WIN32
        // ReplaceFileW puts the new file in place and keeps the old one in one call.
        {"window", "", "write:work#2", Left::Old},
        {"window", "", "close#1", Left::Old},
        {"window", "", "flush-new-file#1", Left::Old},
        {"window", "", "replace-keeping-backup#1", Left::New},
        {"window", "", "flush-folder#1", Left::New},
        {"window", "", "none", Left::New},
        {"add", "", "write:work#2", Left::Old},
        {"add", "", "replace-keeping-backup#1", Left::New},
        {"add", "", "none", Left::New},
#else
        {"window", "", "write:work#2", Left::Old},
        {"window", "", "close#1", Left::Old},
        {"window", "", "flush-new-file#1", Left::Old},
        {"window", "", "exchange#1", Left::New},
        {"window", "", "rename#1", Left::New},
        {"window", "", "rename-no-replace#1", Left::New},
        {"window", "", "flush-folder#1", Left::New},
        {"window", "", "none", Left::New},
        {"add", "", "write:work#2", Left::Old},
        {"add", "", "exchange#1", Left::New},
        {"add", "", "rename#1", Left::New},
        {"add", "", "none", Left::New},
        // In place: the first try at swapping found the mount point; the
        // work file then takes the old configuration.
        {"add", "busy", "write:work#4", Left::Old},
        {"add", "busy", "flush-new-file#1", Left::Old},
        {"add", "busy", "remove#1", Left::Old},
        {"add", "busy", "flush-new-file#2", Left::Old},
        {"add", "busy", "rename-no-replace#1", Left::Old},
        {"add", "busy", "flush-folder#1", Left::Old},
        {"add", "busy", "open-for-overwrite#1", Left::Old},
        {"add", "busy", "reserve#1", Left::Old},
        {"add", "busy", "write:config#1", Left::Unfinished},
        {"add", "busy", "finish-overwrite#1", Left::Unfinished},
        {"add", "busy", "rename#1", Left::New},
        {"add", "busy", "none", Left::New},
        {"window", "busy", "write:config#1", Left::Unfinished},
        {"window", "busy", "none", Left::New},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.placement) + " " + c.busy + " " + c.point);
        TempFolder folder;
        folder.write("postal2.ini", kOld);
        folder.write("postal2.ini.old", "an older backup\r\n");
        EXPECT_EQ(RunChild(folder.path(), c.point, c.placement, c.busy),
                  std::string(c.point) == "none" ? End::Finished : End::Killed);

        const std::string& kNew = std::string(c.placement) == "add" ? kNewByAdd : kNewByWindow;
        const std::string config = gameini::ResolvePath(folder.path() + "/postal2.ini");
        ASSERT_TRUE(std::filesystem::exists(config));
        if (c.left != Left::Unfinished) {
            EXPECT_TRUE(ReadBytes(config) == (c.left == Left::Old ? kOld : kNew))
                << "a partial or wrong configuration";
        }
        if (std::string(c.point) == "none") {
            EXPECT_TRUE(folder.read("postal2.ini.old") == kOld);
        }

        // The next writer, waiting for no one.
        std::vector<std::string> before = Packages(folder.path());
        const std::string error = ErrorOf([&] {
            gameini::SaveGameIni(
                gameini::LockConfiguration(folder.path(), "postal2.ini", gameini::Access::Write),
                gameini::AddPackages({"Next"}), gameini::SaveMode::Always);
        });
        if (c.left == Left::Unfinished) {
            EXPECT_NE(error.find("in place did not finish: " + (folder / "postal2.ini.old.new") +
                                 " holds the configuration as it was before"),
                      std::string::npos)
                << error;
            EXPECT_TRUE(folder.read("postal2.ini.old.new") == kOld);
            continue;
        }
        EXPECT_EQ(error, "no error");
        before.push_back("Next");
        EXPECT_EQ(Packages(folder.path()), before);
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            names.insert(entry.path().filename().string());
        const std::string saved(gameini::kNamesIgnoreCase ? gameini::kConfigurationName
                                                          : gameini::kSavedConfigurationName);
        EXPECT_EQ(names, (std::set<std::string>{saved, "postal2.ini.old"}))
            << "a work file is left";
    }
}

// A redirect run killed at every step leaves only whole .uz2 files under
// their names, and the next run finishes the folder and cleans up after it.
TEST(Crash, ARedirectKilledAtEveryStepLeavesOnlyWholeFiles) {
    // Written in this order: Mod's part file; Engine's, while Mod's is
    // flushed and renamed into place; Mod noted in the journal; likewise
    // Core and Engine, then Core noted; Old's .uz2 deleted; the manifest; the
    // journal deleted. The next run writes again only what was not noted.
    const struct {
        const char* point;
        size_t writtenAgain;
    } points[] = {
        {"write:work#1", 3}, {"close#1", 3},      {"flush-new-file#1", 3}, {"rename#1", 3},
        {"write:work#2", 3}, {"write:work#3", 3}, {"rename#2", 2},         {"write:work#4", 2},
        {"write:work#5", 2}, {"rename#3", 1},     {"write:work#6", 1},     {"remove#1", 0},
        {"write:work#7", 0}, {"rename#4", 0},     {"remove#2", 0},         {"flush-folder#1", 0},
        {"none", 0},
    };
    auto package = [](std::vector<std::string> imports) {
        TestPackage made;
        made.imports = std::move(imports);
        made.fillerNames = 3000; // several chunks
        return PackageBytes(made);
    };
    const std::map<std::string, std::string> packages = {
        {"Mod.u", package({"Engine"})}, {"Engine.u", package({"Core"})}, {"Core.u", package({})}};
    for (const auto& [point, writtenAgain] : points) {
        SCOPED_TRACE(point);
        TempFolder folder;
        folder.write("postal2.ini", CrLf({"[Core.System]", "Paths=*.u", "[Engine.GameEngine]",
                                          "ServerPackages=Mod"}));
        for (const auto& [name, bytes] : packages)
            folder.write(name, bytes);
        const std::string web = folder / "web";
        std::filesystem::create_directories(web);
        folder.write("web/Old.u.uz2", "no longer needed");
        redirect::ManifestEntry old; // made here for this configuration by an earlier run
        old.neededFor = {folder / "postal2.ini"};
        folder.write(std::string("web/") + redirect::kManifestName,
                     redirect::ManifestText({{"Old.u.uz2", old}}));
        EXPECT_EQ(RunChild(folder.path(), point, "redirect", web.c_str()),
                  std::string(point) == "none" ? End::Finished : End::Killed);

        auto wholeFiles = [&] {
            for (const auto& [name, bytes] : packages) {
                if (!folder.exists("web/" + name + ".uz2"))
                    continue;
                const auto read =
                    redirect::DecompressUz2(folder.read("web/" + name + ".uz2"), 1 << 20);
                EXPECT_TRUE(std::holds_alternative<std::string>(read) &&
                            std::get<std::string>(read) == bytes)
                    << name << ".uz2 is not its whole package";
            }
        };
        wholeFiles();
        folder.write("web/.Gone.u.uz2.part", "a run killed when Gone was still needed");
        const auto again = [&] {
            locate::PackageReadCache readCache;
            const gameini::ConfigurationContents setup =
                gameini::ReadConfiguration(folder / "postal2.ini", gameini::ReadDepth::Everything);
            return redirect::UpdateRedirectFolder(
                redirect::PackagesPlayersNeed(
                    setup, locate::PackageSearch(setup.searchPaths, folder.path()), {}, {},
                    readCache),
                web, folder / "postal2.ini", {{}, 2, false, true},
                [](size_t, size_t, uint64_t, uint64_t) {});
        };
        size_t written = 0;
        for (const redirect::RedirectOutcome& outcome : again().packages)
            written += outcome.fate == redirect::RedirectOutcome::Fate::Written;
        EXPECT_EQ(written, writtenAgain) << "what a killed run finished is kept";
        wholeFiles();
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(web))
            names.insert(entry.path().filename().string());
        EXPECT_EQ(names, (std::set<std::string>{"Core.u.uz2", "Engine.u.uz2", "Mod.u.uz2",
                                                redirect::kManifestName}))
            << "a part file or the pruned one is left";
        for (const redirect::RedirectOutcome& outcome : again().packages)
            EXPECT_EQ(outcome.fate, redirect::RedirectOutcome::Fate::Unchanged) << outcome.uz2;
    }
}

#include "redirect/RedirectFolder.h"
#include "redirect/RedirectCheck.h"
#include "redirect/Uz2.h"
#include "redirect/Uz2Compressor.h"

#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/FolderHold.h"
#include "gameini/SystemCalls.h"
#include "support/ErrorOf.h"
#include "support/PackageBuilder.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <thread>
#ifndef _WIN32
#include "support/MountNamespace.h"

#include <sys/statvfs.h>
#endif

using namespace redirect;

namespace {

TestPackage Importing(std::vector<std::string> imports, uint32_t flags = 0x1) {
    TestPackage package;
    package.imports = std::move(imports);
    package.flags = flags;
    package.fillerNames = 2000; // enough bytes to compress well
    return package;
}

// A game folder with System, Sounds and Maps, and its configuration.
struct Game {
    TempFolder root;
    Game() {
        for (const char* folder : {"System", "Sounds", "Maps"})
            std::filesystem::create_directories(root / folder);
        Put("System/Core.u", Importing({}));
        Put("System/Engine.u", Importing({"Core"}));
    }
    void Put(const std::string& file, const TestPackage& package) const {
        root.write(file, PackageBytes(package));
    }
    DownloadSet Needed(const std::vector<std::string>& engine,
                       const std::vector<std::string>& remap = {},
                       const std::vector<std::string>& maps = {},
                       const std::vector<std::string>& excluded = {}) const {
        std::vector<std::string> lines = {"[URL]",
                                          "MapExt=fuk",
                                          "[Core.System]",
                                          "Paths=..\\System\\*.u",
                                          "Paths=..\\Sounds\\*.uax",
                                          "Paths=..\\Maps\\*.fuk",
                                          "[PackageRemap]"};
        lines.insert(lines.end(), remap.begin(), remap.end());
        lines.push_back("[Engine.GameEngine]");
        lines.insert(lines.end(), engine.begin(), engine.end());
        root.write("System/postal2.ini", CrLf(lines));
        locate::PackageReadCache readCache;
        const gameini::ConfigurationContents setup =
            gameini::ReadConfiguration(root / "System/postal2.ini", gameini::ReadDepth::Everything);
        return PackagesPlayersNeed(setup, locate::PackageSearch(setup.searchPaths, root / "System"),
                                   maps, excluded, readCache);
    }
};

// "Name: action" for each package, in the order found.
std::vector<std::string> Actions(const DownloadSet& set) {
    static const char* const kWords[] = {"send", "not-downloadable", "server-only", "excluded"};
    std::vector<std::string> actions;
    for (const Download& download : set.packages)
        actions.push_back(download.name + ": " + kWords[static_cast<int>(download.action)]);
    return actions;
}

gameini::FileStatus Stat(const std::string& path) {
    const std::optional<gameini::FileStatus> status = gameini::StatusOf(path);
    EXPECT_TRUE(status) << path;
    return status.value_or(gameini::FileStatus());
}

RedirectResult Update(const Game& game, const std::string& folder, RedirectOptions options = {},
                      const std::vector<std::string>& engine = {"ServerPackages=Mod"}) {
    return UpdateRedirectFolder(game.Needed(engine), folder, game.root / "System/postal2.ini",
                                options, [](size_t, size_t, uint64_t, uint64_t) {});
}

// Overwrites bytes of a file where they are, its size unchanged.
void DamageInPlace(const std::string& path) {
    std::string bytes = ReadBytes(path);
    bytes.replace(bytes.size() / 2, 4, "\xde\xad\xbe\xef");
    WriteBytes(path, bytes);
}

std::map<std::string, std::string> Done(const RedirectResult& result) {
    std::map<std::string, std::string> done;
    for (const RedirectOutcome& outcome : result.packages)
        done[outcome.uz2] = FateName(outcome.fate);
    return done;
}

} // namespace

TEST(Redirect, PlayersGetWhatTheyNeedAndNothingTheEngineWouldNotSend) {
    const struct {
        const char* what;
        std::map<std::string, TestPackage> packages;
        std::vector<std::string> engine, remap, maps, excluded, actions;
    } cases[] = {
        {"an import and an import of an import",
         {{"System/Mod.u", Importing({"Engine", "ModSounds"})},
          {"Sounds/ModSounds.uax", Importing({"Core"})}},
         {"ServerPackages=Mod"},
         {},
         {},
         {},
         {"Mod: send", "Engine: send", "ModSounds: send", "Core: send"}},
        {"a remapped import",
         {{"System/Mod.u", Importing({"OldName"})}, {"System/NewName.u", Importing({})}},
         {"ServerPackages=Mod"},
         {"OldName=NewName"},
         {},
         {},
         {"Mod: send", "NewName: send"}},
        {"a server-only import and one without AllowDownload, neither followed",
         {{"System/Mod.u", Importing({"Secret", "Locked"})},
          {"System/Secret.u", Importing({"Core"}, 0x5)},
          {"System/Locked.u", Importing({"Engine"}, 0x0)}},
         {"ServerPackages=Mod"},
         {},
         {},
         {},
         {"Mod: send", "Secret: server-only", "Locked: not-downloadable"}},
        {"every map and what it imports",
         {{"Maps/MyMap.fuk", Importing({"MapTextures"})}, {"System/MapTextures.u", Importing({})}},
         {"ServerPackages=Core"},
         {},
         {},
         {},
         {"MyMap: send", "Core: send", "MapTextures: send"}},
        {"only the maps asked for, and an excluded package",
         {{"Maps/MyMap.fuk", Importing({})}, {"Maps/Other.fuk", Importing({})}},
         {"ServerPackages=Engine"},
         {},
         {"MyMap"},
         {"Engine"},
         {"Engine: excluded", "MyMap: send"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Game game;
        for (const auto& [file, package] : c.packages)
            game.Put(file, package);
        const DownloadSet set = game.Needed(c.engine, c.remap, c.maps, c.excluded);
        EXPECT_EQ(Actions(set), c.actions);
        EXPECT_TRUE(set.problems.empty()) << set.problems.front().name;
    }
    Game game;
    game.Put("System/Mod.u", Importing({"ModSounds"}));
    game.Put("Sounds/ModSounds.uax", Importing({"Gone"}));
    const DownloadSet set = game.Needed({"ServerPackages=Mod"});
    ASSERT_EQ(set.problems.size(), 1u);
    EXPECT_EQ(set.problems[0].name + " " + set.problems[0].importer + " " +
                  set.problems[0].neededBy,
              "Gone ModSounds Mod")
        << "an import of an import, brought in by the configured package";
}

TEST(Redirect, TheFolderIsKeptInStepAndASecondRunTouchesNothing) {
    Game game;
    game.Put("System/Mod.u", Importing({"Engine"}));
    const std::string web = game.root / "web";

    EXPECT_EQ(Done(Update(game, web)),
              (std::map<std::string, std::string>{{"Mod.u.uz2", "written"},
                                                  {"Engine.u.uz2", "written"},
                                                  {"Core.u.uz2", "written"}}));
    for (const char* package : {"System/Mod.u", "System/Engine.u", "System/Core.u"}) {
        const std::string uz2 =
            web + "/" + std::filesystem::path(package).filename().string() + ".uz2";
        EXPECT_EQ(std::get<std::string>(DecompressUz2(ReadBytes(uz2), 1 << 20)),
                  game.root.read(package));
    }
    const gameini::FileStatus before = Stat(web + "/Mod.u.uz2");
    const gameini::FileStatus manifest = Stat(web + "/" + kManifestName);
    EXPECT_EQ(Done(Update(game, web))["Mod.u.uz2"], "unchanged");
    const gameini::FileStatus after = Stat(web + "/Mod.u.uz2");
    EXPECT_TRUE(after.SameFileAs(before));
    EXPECT_EQ(after.modified, before.modified);
    EXPECT_TRUE(Stat(web + "/" + kManifestName).SameFileAs(manifest)) << "nothing written";

    game.Put("System/Mod.u", Importing({"Engine", "Core"})); // an update
    std::filesystem::remove(web + "/Core.u.uz2");
    EXPECT_EQ(Done(Update(game, web)),
              (std::map<std::string, std::string>{{"Mod.u.uz2", "written"},
                                                  {"Engine.u.uz2", "unchanged"},
                                                  {"Core.u.uz2", "written"}}));
    game.root.write("web/Engine.u.uz2", "damaged by hand");
    EXPECT_EQ(Done(Update(game, web))["Engine.u.uz2"], "written") << "a .uz2 not as left";
    DamageInPlace(web + "/Engine.u.uz2");
    EXPECT_EQ(Done(Update(game, web))["Engine.u.uz2"], "written") << "damaged at the same size";
    std::filesystem::last_write_time(std::filesystem::u8path(web + "/Core.u.uz2"),
                                     std::filesystem::file_time_type::clock::now());
    EXPECT_EQ(Done(Update(game, web))["Core.u.uz2"], "unchanged") << "only touched";
    game.Put("System/Mod.u", Importing({"Core", "Engine"})); // its size and GUID as they were
    EXPECT_EQ(Done(Update(game, web))["Mod.u.uz2"], "written") << "a package changed at its size";

    game.Put("System/Old.u", Importing({}));
    Update(game, web, {}, {"ServerPackages=Mod", "ServerPackages=Old"});
    game.root.write("web/Stranger.u.uz2", "placed by hand");
    game.root.write("web/index.html", "not ours");
    const RedirectResult listed = Update(game, web);
    EXPECT_EQ(listed.unneeded, std::vector<std::string>{"Old.u.uz2"});
    EXPECT_EQ(listed.notMadeHere, std::vector<std::string>{"Stranger.u.uz2"});
    EXPECT_TRUE(game.root.exists("web/Old.u.uz2")) << "listed, not deleted";
    Update(game, web, {{}, 1, false, true});
    EXPECT_FALSE(game.root.exists("web/Old.u.uz2"));
    EXPECT_TRUE(game.root.exists("web/Stranger.u.uz2")) << "not made here";
    EXPECT_TRUE(game.root.exists("web/index.html"));

    game.root.write("web/Core.u.uz2", "changed behind the manifest");
    Update(game, web, {{}, 1, false, false, true});
    EXPECT_EQ(std::get<std::string>(DecompressUz2(ReadBytes(web + "/Core.u.uz2"), 1 << 20)),
              game.root.read("System/Core.u"))
        << "--verify finds what sizes cannot";
#ifndef _WIN32 // FIFOs are POSIX's
    const DownloadSet found = game.Needed({"ServerPackages=Mod"});
    std::filesystem::remove(game.root / "System/Core.u"); // swapped for a FIFO since
    ASSERT_EQ(mkfifo((game.root / "System/Core.u").c_str(), 0644), 0);
    EXPECT_EQ(Done(UpdateRedirectFolder(found, web, game.root / "System/postal2.ini",
                                        {{}, 1, false, false, true},
                                        [](size_t, size_t, uint64_t, uint64_t) {}))["Core.u.uz2"],
              "unreadable")
        << "--verify refuses a FIFO rather than wait on it";
#endif
}

TEST(Redirect, ADamagedManifestOrJournalIsReadAsFarAsItCanBe) {
    Game game;
    game.Put("System/Mod.u", Importing({}));
    const std::string web = game.root / "web";
    for (const auto& [file, text] : std::vector<std::pair<std::string, std::string>>{
             {kManifestName, "not JSON"},
             {kManifestName, "[]"},
             {kManifestName, R"({"files": []})"},
             {kManifestName, R"({"files": {"Mod.u.uz2": 5}})"},
             {kManifestName, R"({"files": {"Mod.u.uz2": {"size": "big", "guid": 7}}})"},
             {kJournalName, "{\"uz2\": 5}\n[1]\n{\"uz2\": \"Mod.u.uz2\", \"size\": -1}\n"}}) {
        SCOPED_TRACE(text);
        std::filesystem::remove_all(web);
        std::filesystem::create_directories(web);
        game.root.write("web/" + file, text);
        EXPECT_EQ(Done(Update(game, web))["Mod.u.uz2"], "written");
        EXPECT_EQ(Done(Update(game, web))["Mod.u.uz2"], "unchanged") << "the manifest written anew";
    }
}

TEST(Redirect, ServersSharingAFolderPruneOnlyWhatNoneOfThemNeeds) {
    Game one, two; // the same stock packages, in two installs
    one.Put("System/Mod.u", Importing({"Engine"}));
    const std::string web = one.root / "web";
    const RedirectOptions prune{{}, 1, false, true};
    Update(one, web);
    EXPECT_EQ(Done(Update(two, web, prune, {"ServerPackages=Engine"})),
              (std::map<std::string, std::string>{{"Engine.u.uz2", "unchanged"},
                                                  {"Core.u.uz2", "unchanged"}}))
        << "the same bytes from another install are not written again";
    EXPECT_TRUE(one.root.exists("web/Mod.u.uz2")) << "the other server's players need it";
    EXPECT_TRUE(CheckRedirectFolder(one.Needed({"ServerPackages=Mod"}), web).empty());
    Update(one, web, prune, {"ServerPackages=Core"});
    EXPECT_FALSE(one.root.exists("web/Mod.u.uz2")) << "needed by no one";
    EXPECT_TRUE(one.root.exists("web/Engine.u.uz2"));
    EXPECT_TRUE(CheckRedirectFolder(two.Needed({"ServerPackages=Engine"}), web).empty());

    // While another run holds the folder, a run waits its time, then gives up.
    std::promise<void> held, finished;
    std::thread other([&] {
        const gameini::FolderHold hold(web, {});
        held.set_value();
        finished.get_future().wait();
    });
    held.get_future().wait();
    EXPECT_THROW(Update(two, web, {{}, 1, false, false, false, std::chrono::milliseconds(50)}),
                 gameini::BusyError);
    finished.set_value();
    other.join();
    EXPECT_EQ(Done(Update(two, web, {}, {"ServerPackages=Engine"}))["Engine.u.uz2"], "unchanged");
}

TEST(Redirect, APackageThatGrowsIsLeftToTheGameServerAndADryRunWritesNothing) {
    Game game;
    std::string noise = PackageBytes({});
    std::mt19937 random(1);
    while (noise.size() < 70000)
        noise += static_cast<char>(random());
    game.root.write("System/Mod.u", noise);
    const std::string web = game.root / "web";
    const RedirectResult dry = Update(game, web, {{}, 1, true});
    EXPECT_EQ(Done(dry)["Mod.u.uz2"], "written");
    EXPECT_FALSE(std::filesystem::exists(web)) << "a dry run makes nothing";

    std::filesystem::create_directories(web);
    game.root.write("web/Mod.u.uz2", "an older one");
    const RedirectResult result = Update(game, web);
    EXPECT_EQ(Done(result)["Mod.u.uz2"], "oversize");
    EXPECT_FALSE(std::filesystem::exists(web + "/Mod.u.uz2")) << "the client would cut it off";
    EXPECT_EQ(Done(Update(game, web))["Mod.u.uz2"], "oversize") << "and is not tried again";
}

TEST(Redirect, CheckFindsWhatKeepsPlayersFromTheFolder) {
    Game game;
    game.Put("System/Mod.u", Importing({"Engine"}));
    const std::string web = game.root / "web";
    Update(game, web);
    auto kinds = [&] {
        std::map<std::string, std::string> found;
        for (const RedirectProblem& problem :
             CheckRedirectFolder(game.Needed({"ServerPackages=Mod"}), web))
            found[problem.name] =
                std::string(gameini::KindName(problem.kind)) + " (" + problem.neededBy + ")";
        return found;
    };
    EXPECT_TRUE(kinds().empty());
    DamageInPlace(web + "/Mod.u.uz2");
    EXPECT_EQ(kinds(), (std::map<std::string, std::string>{{"Mod", "redirect-stale (Mod)"}}));
    Update(game, web);
    std::filesystem::remove(web + "/Core.u.uz2");
    game.root.write("web/Engine.u.uz2", std::string(100000, 'x'));
    game.Put("System/Mod.u", Importing({"Engine", "Core"})); // updated, not compressed again
    EXPECT_EQ(kinds(), (std::map<std::string, std::string>{{"Core", "redirect-missing (Mod)"},
                                                           {"Engine", "redirect-oversize (Mod)"},
                                                           {"Mod", "redirect-stale (Mod)"}}));
}

#ifndef _WIN32 // a small disk of its own: a mount namespace
TEST(Redirect, AFullDiskLeavesEveryFileWholeAndTheNextRunFinishesTheFolder) {
    Game game;
    game.Put("System/Mod.u", Importing({"Engine"}));
    const std::string oldMod = game.root.read("System/Mod.u");
    TempFolder disk;
    const std::string web = disk / "web";
    const int outcome = InMountNamespace({{"tmpfs:256k", disk.path()}}, [&] {
        Update(game, web);
        // The mod grows, and the rest of the disk fills up.
        TestPackage bigger = Importing({"Engine"});
        bigger.fillerNames = 20000;
        game.Put("System/Mod.u", bigger);
        struct statvfs room;
        statvfs(web.c_str(), &room);
        disk.write("filler", std::string(room.f_bavail * room.f_bsize - 4096, '.'));
        const std::string error = ErrorOf([&] { Update(game, web); });
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(web))
            names.insert(entry.path().filename().string());
        const auto mod = DecompressUz2(ReadBytes(web + "/Mod.u.uz2"), 1 << 22);
        const bool whole =
            error.find("Cannot write " + web + "/.Mod.u.uz2.part: No space left on device") !=
                std::string::npos &&
            names ==
                std::set<std::string>{"Core.u.uz2", "Engine.u.uz2", "Mod.u.uz2", kManifestName} &&
            std::get<std::string>(mod) == oldMod;
        std::filesystem::remove(disk / "filler");
        return whole && Done(Update(game, web))["Mod.u.uz2"] == "written" &&
               std::get<std::string>(DecompressUz2(ReadBytes(web + "/Mod.u.uz2"), 1 << 22)) ==
                   game.root.read("System/Mod.u");
    });
    if (outcome == kNoMountNamespace)
        GTEST_SKIP() << "this machine does not allow a mount namespace";
    EXPECT_EQ(outcome, 0) << "a part file left, the old .uz2 damaged, or no clear error";
}
#endif

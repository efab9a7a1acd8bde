#include "support/PackageBuilder.h"
#include "support/TempFolder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <zlib.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

// check and info on folders of real package files, sarvelin-cli run as a
// script runs it.

namespace {

struct Output {
    int status;
    std::string out;
};

// A path as one word of the system's shell (the temporary folders hold no quote).
std::string Word(const std::string& path) {
#ifdef _WIN32
    return '"' + path + '"';
#else
    return "'" + path + "'";
#endif
}

Output Cli(const std::string& arguments) {
    Output output{0, ""};
    const std::string command = Word(SARVELIN_CLI) + " " + arguments + " 2>&1";
#ifdef _WIN32
    // cmd /c drops the first and the last quote of what it is given.
    FILE* pipe = _popen(('"' + command + '"').c_str(), "rb");
#else
    FILE* pipe = popen(command.c_str(), "r");
#endif
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.out.append(buffer, got);
#ifdef _WIN32
    output.status = _pclose(pipe);
#else
    output.status = WEXITSTATUS(pclose(pipe));
#endif
    return output;
}

// A path as a JSON string holds it.
std::string InJson(const std::string& path) {
    std::string escaped;
    for (const char c : path)
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return escaped;
}

TestPackage Importing(std::vector<std::string> imports, uint32_t flags = 0x1) {
    TestPackage package;
    package.imports = std::move(imports);
    package.flags = flags;
    return package;
}

// A game folder: System with the stock Core and Engine, Sounds beside it.
struct Game {
    TempFolder root;
    Game() {
        std::filesystem::create_directories(root / "System");
        std::filesystem::create_directories(root / "Sounds");
        Put("System/Core.u", {});
        Put("System/Engine.u", Importing({"Core"}));
    }
    void Put(const std::string& file, const TestPackage& package) const {
        root.write(file, PackageBytes(package));
    }
    // The problems check finds, as "LINE: KIND" each.
    std::vector<std::string> Problems(const std::vector<std::string>& engineLines,
                                      const std::vector<std::string>& remap = {}) const {
        std::vector<std::string> lines = {"[Core.System]", "Paths=..\\System\\*.u",
                                          "Paths=..\\Sounds\\*.uax", "[PackageRemap]"};
        lines.insert(lines.end(), remap.begin(), remap.end());
        lines.push_back("[Engine.GameEngine]");
        lines.insert(lines.end(), engineLines.begin(), engineLines.end());
        root.write("System/postal2.ini", CrLf(lines));
        const Output output = Cli("-C " + Word(root / "System") + " check");
        std::vector<std::string> problems;
        for (size_t start = 0; start < output.out.size();) {
            const size_t end = output.out.find('\n', start);
            const std::string line = output.out.substr(start, end - start);
            const size_t number = line.find(".ini:") + 5;
            problems.push_back(
                line.substr(number, line.find(':', line.find(':', number) + 1) - number));
            start = end + 1;
        }
        EXPECT_EQ(output.status, problems.empty() ? 0 : 1) << output.out;
        return problems;
    }
};

using Problems = std::vector<std::string>;

} // namespace

TEST(CheckPackages, FindsWhatStopsPlayersFromLoadingAPackage) {
    const struct {
        const char* name;
        std::map<std::string, TestPackage> packages;
        std::vector<std::string> engine, remap;
        Problems problems;
    } cases[] = {
        {"a clean folder: imports in System and in Sounds, an actor's package present",
         {{"System/Mod.u", Importing({"Core", "Engine", "ModSounds"})},
          {"Sounds/ModSounds.uax", {}}},
         {"ServerActors=Mod.ModActor", "ServerPackages=Mod", "ServerPackages=ModSounds"},
         {},
         {}},
        {"an import no Paths= folder holds",
         {{"System/Mod.u", Importing({"Core", "Gone"})}},
         {"ServerPackages=Mod"},
         {},
         {"6: missing-import"}},
        {"an import of an import no Paths= folder holds",
         {{"System/Mod.u", Importing({"ModSounds"})},
          {"Sounds/ModSounds.uax", Importing({"Gone"})}},
         {"ServerPackages=Mod"},
         {},
         {"6: missing-import"}},
        {"an import marked server-side only",
         {{"System/Mod.u", Importing({"Secret"})}, {"System/Secret.u", Importing({}, 0x4)}},
         {"ServerPackages=Mod"},
         {},
         {"6: server-only-import"}},
        {"a configured package players may not download",
         {{"System/Mod.u", Importing({"Core"}, 0x0)}},
         {"ServerPackages=Mod"},
         {},
         {"6: not-downloadable"}},
        {"an import players may not download",
         {{"System/Mod.u", Importing({"Locked"})}, {"System/Locked.u", Importing({}, 0x2)}},
         {"ServerPackages=Mod"},
         {},
         {"6: not-downloadable"}},
        {"an actor whose package is nowhere",
         {},
         {"ServerPackages=Engine", "ServerActors=Nowhere.Actor"},
         {},
         {"7: actor-missing"}},
        {"an import remapped to a package that is there",
         {{"System/Mod.u", Importing({"AWPStuff"})}, {"System/Inventory.u", {}}},
         {"ServerPackages=Mod"},
         {"AWPStuff=Inventory"},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Game game;
        for (const auto& [file, package] : c.packages)
            game.Put(file, package);
        EXPECT_EQ(game.Problems(c.engine, c.remap), c.problems);
    }

    Game game;
    game.root.write("System/Mod.u", PackageBytes(Importing({"Core"})).substr(0, 50));
    EXPECT_EQ(game.Problems({"ServerPackages=Mod"}), Problems{"6: damaged"});
    const Output output = Cli("-C " + Word(game.root / "System") + " check");
    EXPECT_NE(
        output.out.find(
            "Mod.u is not a package file or is damaged (its header runs past the end of the file)"),
        std::string::npos)
        << output.out;
}

TEST(CheckPackages, InfoPrintsAPackagesFactsAndRefusesADamagedOne) {
    Game game;
    game.Put("System/Mod.u", Importing({"Core", "Engine"}, 0x5));
    const Output good = Cli("info " + Word(game.root / "System/Mod.u"));
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.out, game.root / "System/Mod.u" +
                            "\n  tag         9E2A83C1\n  version     118\n  licensee    0\n"
                            "  flags       AllowDownload "
                            "ServerSideOnly\n  guid        0123456789ABCDEF0BADF00DDEADBEEF\n"
                            "  generation  1: 0 exports, 5 names\n  imports     Core\n"
                            "  imports     Engine\n");
    game.root.write("System/Bad.u", "not a package at all, but long enough to be read as one");
    const Output bad = Cli("--json info " + Word(game.root / "System/Mod.u") + " " +
                           Word(game.root / "System/Bad.u"));
    EXPECT_EQ(bad.status, 3);
    EXPECT_NE(bad.out.find("\"imports\": [\n      \"Core\",\n      \"Engine\"\n    ]"),
              std::string::npos)
        << bad.out;
    EXPECT_NE(bad.out.find("{\n    \"file\": \"" + InJson(game.root / "System/Bad.u") +
                           "\",\n    \"error\": \"not a package file or damaged (it does not "
                           "start as a package does)\"\n  }"),
              std::string::npos)
        << bad.out;
    const Output relative = Cli("-C " + Word(game.root / "System") + " info Mod.u");
    EXPECT_EQ(relative.status, 0) << "-C's folder holds it";

    // A download compressed by another program (zlib, one chunk): info reads
    // the package inside.
    const std::string package = game.root.read("System/Mod.u");
    std::string chunk(compressBound(package.size()), '\0');
    uLongf size = chunk.size();
    ASSERT_EQ(compress(reinterpret_cast<Bytef*>(chunk.data()), &size,
                       reinterpret_cast<const Bytef*>(package.data()), package.size()),
              Z_OK);
    chunk.resize(size);
    const uint32_t sizes[] = {static_cast<uint32_t>(size), static_cast<uint32_t>(package.size())};
    game.root.write("System/Mod.u.uz2",
                    std::string(reinterpret_cast<const char*>(sizes), sizeof sizes) + chunk);
    const Output uz2 = Cli("-C " + Word(game.root / "System") + " info Mod.u.uz2");
    EXPECT_EQ(uz2.status, 0);
    EXPECT_EQ(uz2.out.substr(uz2.out.find('\n')), good.out.substr(good.out.find('\n')));
    game.root.write("System/Cut.u.uz2", std::string("\x10\x00\x00\x00\x20\x00\x00\x00x", 9));
    const Output cut = Cli("-C " + Word(game.root / "System") + " info Cut.u.uz2");
    EXPECT_EQ(cut.status, 3);
    EXPECT_NE(cut.out.find("its .uz2 chunk at byte 0: a chunk says 16 compressed bytes, but only "
                           "1 are left"),
              std::string::npos)
        << cut.out;
}

#include "cli/Diff.h"
#include "cli/Program.h"
#include "gameini/EditPolicies.h"
#include "gameini/RewritePlan.h"
#include "support/PackageBuilder.h"
#include "support/TempFolder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

using namespace cli;

// Commands run in-process, their output read from the streams they print to.

namespace {

struct Result {
    int status;
    std::string out, err;
};

Result Cli(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    arguments.insert(arguments.begin(), "sarvelin-cli");
    const int status = RunProgram(arguments, out, err);
    return {status, out.str(), err.str()};
}

// A System folder with Engine.u and Fire.u, real package files.
struct System {
    TempFolder folder;
    System() {
        for (const char* file : {"Engine.u", "Fire.u"})
            folder.write(file, PackageBytes({}));
    }
    Result Check(const std::vector<std::string>& lines) const {
        folder.write("postal2.ini", CrLf(lines));
        return Cli({"-C", folder.path(), "check"});
    }
};

} // namespace

TEST(Commands, ListPrintsTheNamesAsWrittenAndWarnsOfNoSection) {
    System system;
    system.folder.write("Postal2.ini", CrLf({"[Engine.GameEngine]", "ServerPackages=Fire",
                                             "ServerPackages=engine"}));
    EXPECT_EQ(Cli({"list", "-C", system.folder.path()}).out, "Fire\nengine\n");
    const Result json = Cli({"-C", system.folder.path(), "--json", "list"});
    EXPECT_EQ(nlohmann::json::parse(json.out)["file"], system.folder / "Postal2.ini")
        << "the file actually read";

    system.folder.write("Postal2.ini", CrLf({"[URL]", "ServerPackages=Fire"}));
    const Result noSection = Cli({"-C", system.folder.path(), "list"});
    EXPECT_EQ(noSection.status, 0);
    EXPECT_EQ(noSection.out, "");
    EXPECT_NE(noSection.err.find("warning: "), std::string::npos);
    EXPECT_EQ(Cli({"-C", system.folder.path(), "list", "-q"}).err, "");
}

#ifdef _WIN32
TEST(Commands, AReadOnlyAttributeIsRefusedAndNothingIsLeftBehind) {
    System system;
    const std::string config = CrLf({"[Engine.GameEngine]", "ServerPackages=Engine"});
    system.folder.write("postal2.ini", config);
    system.folder.write("postal2.ini.old", config);
    std::filesystem::permissions(system.folder / "postal2.ini", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    for (const std::vector<std::string>& edit : std::vector<std::vector<std::string>>{
             {"add", "Fire"}, {"remove", "Engine"}, {"set", "Fire"}, {"restore"}}) {
        std::vector<std::string> arguments{"-C", system.folder.path()};
        arguments.insert(arguments.end(), edit.begin(), edit.end());
        const Result refused = Cli(arguments);
        EXPECT_EQ(refused.err, "sarvelin-cli: postal2.ini is read-only; use --force to change it "
                               "anyway\n")
            << edit[0];
    }
    // Windows replaces no read-only file: forced, the save fails whole.
    const Result forced = Cli({"-C", system.folder.path(), "add", "Fire", "--force"});
    EXPECT_EQ(forced.status, 3) << forced.err;
    EXPECT_EQ(system.folder.read("postal2.ini"), config);
    EXPECT_FALSE(std::filesystem::exists(system.folder / "newp2.ini"));
}
#endif

TEST(Commands, CheckTellsEachKindApartAndPassesAClean) {
    const struct {
        const char* name;
        std::vector<std::string> lines;
        std::string problems; // "LINE: KIND" each, one a line
    } cases[] = {
        {"a clean file",
         {"[Engine.GameEngine]", "ServerPackages=Engine", "ServerPackages=Fire"},
         ""},
        {"a name in another letter case than its file",
         {"[Engine.GameEngine]", "ServerPackages=engine"},
         ""},
        {"a section without package lines", {"[Engine.GameEngine]", "CacheSizeMegs=32"}, ""},
        {"a line the game does not read, in another section",
         {"[Other]", "ServerPackages =X", "[Engine.GameEngine]", "ServerPackages=Fire"},
         ""},
        {"Foo.U: an extension, not missing",
         {"[Engine.GameEngine]", "ServerPackages=Fire.U"},
         "2: extension\n"},
        {"a blank, the file present",
         {"[Engine.GameEngine]", "ServerPackages=Fire "},
         "2: blank\n"},
        {"two letter cases of one name",
         {"[Engine.GameEngine]", "ServerPackages=Fire", "ServerPackages=FIRE"},
         "3: duplicate\n"},
    };
    System system;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result run = system.Check(c.lines);
        std::string problems;
        for (std::istringstream lines(run.out); !lines.eof();) {
            std::string line;
            if (!std::getline(lines, line) || line.empty())
                continue;
            const size_t number = line.find(".ini:") + 5;
            problems +=
                line.substr(number, line.find(':', line.find(':', number) + 1) - number) + "\n";
        }
        EXPECT_EQ(problems, c.problems) << run.out;
        EXPECT_EQ(run.status, c.problems.empty() ? 0 : 1);
    }
}

#ifndef _WIN32 // GNU diff is Linux's
TEST(Commands, TheDiffIsGnuDiffsOwn) {
    auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    std::string lines;
    for (int i = 1; i <= 200; ++i)
        lines += "Line" + std::to_string(i) + "\r\n";
    const std::string twoApart = replaced(replaced(lines, "Line50\r\n", ""), "Line56", "Line56x");
    const struct {
        const char* what;
        std::string before, after;
    } cases[] = {
        {"one line in the middle", lines, replaced(lines, "Line100\r\n", "Line100\r\nNew\r\n")},
        {"the first line", lines, replaced(lines, "Line1\r\n", "")},
        {"two changes six lines apart: one hunk", lines, twoApart},
        {"two changes far apart: two hunks", lines,
         replaced(replaced(lines, "Line20\r\n", ""), "Line180", "Line180x")},
        {"a last line without its end", lines + "End", lines + "End\r\n"},
        {"a line longer by a byte", lines, replaced(lines, "Line7\r\n", "Line7x\r\n")},
    };
    TempFolder folder;
    for (const auto& [what, before, after] : cases) {
        folder.write("a", before);
        folder.write("b", after);
        std::string gnu;
        FILE* diff =
            popen(("diff -u " + folder / "a" + " " + folder / "b" + " | sed 1,2d").c_str(), "r");
        for (char buffer[4096]; size_t got = fread(buffer, 1, sizeof buffer, diff);)
            gnu.append(buffer, got);
        pclose(diff);
        const std::string ours = UnifiedDiff("x", before, after);
        EXPECT_EQ(ours.substr(ours.find("@@")), gnu) << what;
    }
}
#endif

TEST(Commands, TheDiffOfTheChangedPartIsTheDiffOfTheWholeFile) {
    std::string filler;
    for (int i = 0; i < 50; ++i)
        filler += "Key" + std::to_string(i) + "=Value\r\n";
    const std::string top = "[Engine.GameEngine]\r\nServerPackages=Core\r\nServerPackages=Old";
    const struct {
        const char* what;
        std::string source;
        gameini::EditPackages edit;
    } cases[] = {
        {"added to a list in the middle", filler + top + "\r\n" + filler,
         gameini::AddPackages({"New"})},
        {"added after a last line without its end", filler + top, gameini::AddPackages({"New"})},
        {"the last line removed, without its end", filler + top,
         gameini::RemovePackages({{"Old"}})},
        {"the first lines changed", top + "\r\n" + filler, gameini::SetPackages({"A", "B"})},
        {"nothing changed", top + "\r\n" + filler, gameini::AddPackages({"Core"})},
    };
    TempFolder folder;
    for (const auto& [what, source, edit] : cases) {
        folder.write("postal2.ini", source);
        const gameini::RewritePlan plan = gameini::PlanRewrite(folder / "postal2.ini", edit);
        const gameini::RewritePlan::Excerpt part = plan.ChangedPart(gameini::kDiffContext);
        EXPECT_EQ(UnifiedDiff("x", part.before, part.after, part.linesBefore),
                  UnifiedDiff("x", plan.Bytes(gameini::RewritePlan::Version::Before),
                              plan.Bytes(gameini::RewritePlan::Version::After)))
            << what;
    }
}

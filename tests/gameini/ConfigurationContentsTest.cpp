#include "gameini/ConfigurationContents.h"
#include "gameini/RewritePlan.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace gameini;
using Names = std::vector<std::string>;

TEST(ReadConfiguration, RecognisesOnlyThePackageLinesOfTheSection) {
    const struct {
        const char* name;
        std::string file;
        Names expected;
    } cases[] = {
        {"plain line", CrLf({"[Engine.GameEngine]", "ServerPackages=Engine"}), {"Engine"}},
        {"key in capitals", CrLf({"[Engine.GameEngine]", "SERVERPACKAGES=Foo"}), {"Foo"}},
        {"blank before the equals sign", CrLf({"[Engine.GameEngine]", "ServerPackages =Foo"}), {}},
        {"blank after the value stays",
         CrLf({"[Engine.GameEngine]", "ServerPackages=Foo "}),
         {"Foo "}},
        {"empty value", CrLf({"[Engine.GameEngine]", "ServerPackages="}), {""}},
        {"header in capitals", CrLf({"[ENGINE.GAMEENGINE]", "ServerPackages=A"}), {"A"}},
        {"key and header in mixed case",
         CrLf({"[eNGINE.gAMEeNGINE]", "sErVeRpAcKaGeS=Mixed"}),
         {"Mixed"}},
        {"signs differing from the header's only as capitals differ do not open",
         CrLf({"{Engine.GameEngine}", "ServerPackages=A", "[Engine\x0EGameEngine]",
               "ServerPackages=B"}),
         {}},
        {"a sign differing from the key's only as capitals differ",
         CrLf({"[Engine.GameEngine]",
               "ServerPackages\x1D"
               "A",
               "ServerPackages=B"}),
         {"B"}},
        {"header with a trailing blank does not open",
         CrLf({"[Engine.GameEngine] ", "ServerPackages=A"}),
         {}},
        {"header with a trailing blank closes",
         CrLf({"[Engine.GameEngine]", "ServerPackages=A", "[Engine.GameEngine] ",
               "ServerPackages=B"}),
         {"A"}},
        {"other sections and before the section",
         CrLf({"ServerPackages=Top", "[Core.System]", "ServerPackages=Core", "[Engine.GameEngine]",
               "ServerPackages=In", "[Editor.EditorEngine]", "ServerPackages=After"}),
         {"In"}},
        {"blank, comment and indented bracket lines keep the section open",
         CrLf({"[Engine.GameEngine]", "", "; comment", " [NotAHeader]", "ServerPackages=Still"}),
         {"Still"}},
        {"section twice, second header keeps it open, duplicates kept",
         CrLf({"[Engine.GameEngine]", "ServerPackages=A", "[Engine.GameEngine]", "ServerPackages=B",
               "[X]", "[engine.gameengine]", "ServerPackages=a"}),
         {"A", "B", "a"}},
        {"no section", CrLf({"[URL]", "ServerPackages=Nope"}), {}},
        {"Windows-1252 letters as written",
         "[Engine.GameEngine]\r\nServerPackages=\xC4RGER\r\n",
         {"ÄRGER"}},
        {"LF-only file from the Linux builds",
         "[Engine.GameEngine]\nServerPackages=Linux\n",
         {"Linux"}},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        folder.write("Postal2.ini", c.file);
        Names names;
        for (const ConfiguredPackage& package :
             ReadConfiguration(folder.path() + "/postal2.ini").configured)
            names.push_back(package.name);
        EXPECT_EQ(names, c.expected) << c.name;
    }
    folder.write("Postal2.ini", "[Engine.GameEngine]\nX=1\r\nServerPackages=A\rServerPackages=B");
    EXPECT_EQ(ReadConfiguration(folder.path() + "/postal2.ini").configured,
              (std::vector<ConfiguredPackage>{{"A", 3}, {"B", 4}}))
        << "each name's line, counted at every line end";
}

TEST(ReadConfiguration, AMissingFileIsAnError) {
    TempFolder folder;
    EXPECT_THROW(ReadConfiguration(folder.path() + "/postal2.ini"), std::runtime_error);
}

TEST(ReadConfiguration, TellsEachPathsEntryOfCoreSystemOnceAsTheRewriteDoes) {
    TempFolder folder;
    folder.write(
        "Postal2.ini",
        CrLf({"[Core.System]", "Paths=..\\System\\*.u", "paths=..\\Maps\\*.fuk", "[URL]",
              "Paths=NotHere", "[CORE.system]", "Paths\x1D..\\Not\\*.u", "Paths=..\\System\\*.u",
              "PATHS=..\\Sounds\\*.uax", "Paths=..\\Maps\\*.fuk", "[Engine.GameEngine]"}));
    const Names expected = {"..\\System\\*.u", "..\\Maps\\*.fuk", "..\\Sounds\\*.uax"};
    Names rewritten;
    EXPECT_EQ(
        ReadConfiguration(folder.path() + "/postal2.ini", ReadDepth::AndSearchPaths).searchPaths,
        expected);
    PlanRewrite(folder.path() + "/postal2.ini", [&](const ConfigurationContents& contents) {
        rewritten = contents.searchPaths;
        return PackageLineEdit{Placement::AfterEachHeader};
    });
    EXPECT_EQ(rewritten, expected);
}

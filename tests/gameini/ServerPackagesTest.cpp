#include "ServerPackages.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace gameini;
using Names = std::vector<std::string>;

TEST(ReadServerPackages, RecognisesOnlyThePackageLinesOfTheSection) {
    const struct {
        const char* name;
        std::string file;
        Names expected;
    } cases[] = {
        {"plain line", CrLf({"[Engine.GameEngine]", "ServerPackages=Engine"}), {"engine.u"}},
        {"key in capitals", CrLf({"[Engine.GameEngine]", "SERVERPACKAGES=Foo"}), {"foo.u"}},
        {"blank before the equals sign", CrLf({"[Engine.GameEngine]", "ServerPackages =Foo"}), {}},
        {"blank after the value stays",
         CrLf({"[Engine.GameEngine]", "ServerPackages=Foo "}),
         {"foo .u"}},
        {"empty value", CrLf({"[Engine.GameEngine]", "ServerPackages="}), {".u"}},
        {"header in capitals", CrLf({"[ENGINE.GAMEENGINE]", "ServerPackages=A"}), {"a.u"}},
        {"header with a trailing blank does not open",
         CrLf({"[Engine.GameEngine] ", "ServerPackages=A"}),
         {}},
        {"header with a trailing blank closes",
         CrLf({"[Engine.GameEngine]", "ServerPackages=A", "[Engine.GameEngine] ",
               "ServerPackages=B"}),
         {"a.u"}},
        {"other sections and before the section",
         CrLf({"ServerPackages=Top", "[Core.System]", "ServerPackages=Core", "[Engine.GameEngine]",
               "ServerPackages=In", "[Editor.EditorEngine]", "ServerPackages=After"}),
         {"in.u"}},
        {"blank, comment and indented bracket lines keep the section open",
         CrLf({"[Engine.GameEngine]", "", "; comment", " [NotAHeader]", "ServerPackages=Still"}),
         {"still.u"}},
        {"section twice, second header keeps it open, duplicates kept",
         CrLf({"[Engine.GameEngine]", "ServerPackages=A", "[Engine.GameEngine]", "ServerPackages=B",
               "[X]", "[engine.gameengine]", "ServerPackages=a"}),
         {"a.u", "b.u", "a.u"}},
        {"no section", CrLf({"[URL]", "ServerPackages=Nope"}), {}},
        {"Windows-1252 letters lower-cased",
         "[Engine.GameEngine]\r\nServerPackages=\xC4RGER\r\n",
         {"ärger.u"}},
        {"LF-only file from the Linux builds",
         "[Engine.GameEngine]\nServerPackages=Linux\n",
         {"linux.u"}},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        folder.write("Postal2.ini", c.file);
        EXPECT_EQ(ReadServerPackages(folder.path() + "\\postal2.ini"), c.expected) << c.name;
    }
}

TEST(ReadServerPackages, AMissingFileIsAnError) {
    TempFolder folder;
    EXPECT_THROW(ReadServerPackages(folder.path() + "\\postal2.ini"), std::runtime_error);
}

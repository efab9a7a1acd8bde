#include "RewriteGameIni.h"
#include "Error.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace gameini;
using Names = std::vector<std::string>;

namespace {

std::string Rewrite(const TempFolder& folder, const std::string& source, const Names& names) {
    folder.write("postal2.ini", source);
    RewriteGameIni(folder.path() + "\\postal2.ini", folder.path() + "\\newp2.ini", names);
    return folder.read("newp2.ini");
}

} // namespace

TEST(RewriteGameIni, RewritesEachCaseAsTheTableSays) {
    const struct {
        const char* name;
        std::string before;
        Names names;
        std::string after;
    } cases[] = {
        {"the worked example",
         CrLf({"[Core.System]", "ServerPackages=Old", "[engine.gameengine]", "Alpha=1",
               "serverpackages=Old", "ServerPackages =Keep", "", "[Other]",
               "ServerPackages=After"}),
         {"Engine", "Fire"},
         CrLf({"[Core.System]", "ServerPackages=Old", "[Engine.GameEngine]",
               "ServerPackages=Engine", "ServerPackages=Fire", "Alpha=1", "ServerPackages =Keep",
               "", "[Other]", "ServerPackages=After"})},
        {"empty list of names",
         CrLf({"[Engine.GameEngine]", "ServerPackages=A", "Other=1"}),
         {},
         CrLf({"[Engine.GameEngine]", "Other=1"})},
        {"no section: a copy",
         "[URL]\r\nServerPackages=A\r\nlast",
         {"B"},
         CrLf({"[URL]", "ServerPackages=A", "last"})},
        {"empty source", "", {"A"}, ""},
        {"section twice gets the block twice",
         CrLf({"[Engine.GameEngine]", "ServerPackages=A", "[X]", "[ENGINE.GAMEENGINE]",
               "SERVERPACKAGES=B"}),
         {"Z"},
         CrLf({"[Engine.GameEngine]", "ServerPackages=Z", "[X]", "[Engine.GameEngine]",
               "ServerPackages=Z"})},
        {"a line [NoLineHere] is kept and closes the section",
         CrLf({"[Engine.GameEngine]", "[NoLineHere]", "ServerPackages=Outside"}),
         {},
         CrLf({"[Engine.GameEngine]", "[NoLineHere]", "ServerPackages=Outside"})},
        {"names keep their own letter case and non-ASCII letters",
         CrLf({"[Engine.GameEngine]"}),
         {"MyMod", "Ärger"},
         CrLf({"[Engine.GameEngine]", "ServerPackages=MyMod", "ServerPackages=\xC4rger"})},
        {"an LF line in a CR LF file is a line of its own",
         "[Engine.GameEngine]\r\nServerPackages=Engine\nServerActors=Keep.Me\r\n",
         {"Engine"},
         "[Engine.GameEngine]\r\nServerPackages=Engine\r\nServerActors=Keep.Me\r\n"},
        {"a CR LF line in an LF file: the header is found, each line keeps its end",
         "[Core]\nX=1\n[Engine.GameEngine]\nServerPackages=A\nY=2\r\nZ\n",
         {"B"},
         "[Core]\nX=1\n[Engine.GameEngine]\nServerPackages=B\nY=2\r\nZ\n"},
        {"lone CRs are kept",
         "a\r[Engine.GameEngine]\rServerPackages=A\r",
         {"B"},
         "a\r[Engine.GameEngine]\rServerPackages=B\r"},
        {"a last line without end takes the first line end",
         "[Engine.GameEngine]\nlast",
         {"B"},
         "[Engine.GameEngine]\nServerPackages=B\nlast\n"},
        {"no line end at all: CR LF",
         "[Engine.GameEngine]",
         {"B"},
         "[Engine.GameEngine]\r\nServerPackages=B\r\n"},
        {"LF-only source keeps line feeds",
         "[Engine.GameEngine]\nServerPackages=A\nX=1\n",
         {"B"},
         "[Engine.GameEngine]\nServerPackages=B\nX=1\n"},
        {"UTF-16 source stays UTF-16",
         std::string("\xFF\xFE[\0E\0n\0g\0i\0n\0e\0.\0G\0a\0m\0e\0E\0n\0g\0i\0n\0e\0]\0\r\0\n\0",
                     44),
         {"\xD0\x96"},
         std::string("\xFF\xFE[\0E\0n\0g\0i\0n\0e\0.\0G\0a\0m\0e\0E\0n\0g\0i\0n\0e\0]\0\r\0\n\0"
                     "S\0e\0r\0v\0e\0r\0P\0a\0c\0k\0a\0g\0e\0s\0=\0\x16\x04\r\0\n\0",
                     80)},
    };
    TempFolder folder;
    for (const auto& c : cases)
        EXPECT_EQ(Rewrite(folder, c.before, c.names), c.after) << c.name;
}

TEST(RewriteGameIni, KeepsEveryByteOutsideTheSection) {
    std::string everyByte;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            everyByte += static_cast<char>(b);
    const std::string source = "[Core.System]\r\n" + everyByte + "\r\n[Engine.GameEngine]\r\n" +
                               "ServerPackages=Old\r\n[Later]\r\n" + everyByte + "\r\n";
    TempFolder folder;
    EXPECT_EQ(Rewrite(folder, source, {"New"}),
              "[Core.System]\r\n" + everyByte +
                  "\r\n[Engine.GameEngine]\r\nServerPackages=New\r\n" + "[Later]\r\n" + everyByte +
                  "\r\n");
}

TEST(RewriteGameIni, ALeftoverWorkFileIsWrittenAfresh) {
    TempFolder folder;
    folder.write("NEWP2.INI", std::string(1000, 'x'));
    folder.write("postal2.ini", "a\r\n");
    RewriteGameIni(folder.path() + "\\postal2.ini", folder.path() + "\\newp2.ini", {});
    EXPECT_EQ(folder.read("NEWP2.INI"), "a\r\n") << "found in any letter case";
    EXPECT_FALSE(folder.exists("newp2.ini"));
}

TEST(RewriteGameIni, FailsClearlyAndLeavesTheConfigurationAlone) {
    TempFolder folder;
    // A missing source creates no work file.
    EXPECT_THROW(RewriteGameIni(folder.path() + "\\postal2.ini", folder.path() + "\\newp2.ini", {}),
                 FileError);
    EXPECT_FALSE(folder.exists("newp2.ini"));

    const std::string source = CrLf({"[Engine.GameEngine]", "ServerPackages=Old"});
    folder.write("postal2.ini", source);
    try {
        RewriteGameIni(folder.path() + "\\postal2.ini", folder.path() + "\\newp2.ini", {"Жара"});
        FAIL() << "a name Windows-1252 cannot store was written";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("the character \"Ж\""), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(folder.read("postal2.ini"), source);
}

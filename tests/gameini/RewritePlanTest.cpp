#include "gameini/RewritePlan.h"
#include "gameini/EditPolicies.h"
#include "gameini/Error.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace gameini;
using Names = std::vector<std::string>;

namespace {

std::string Rewrite(const TempFolder& folder, const std::string& source, const EditPackages& edit) {
    folder.write("postal2.ini", source);
    return PlanRewrite(folder.path() + "/postal2.ini", edit).Bytes(RewritePlan::Version::After);
}

std::string Rewrite(const TempFolder& folder, const std::string& source, const Names& names) {
    return Rewrite(folder, source, gameini::PackagesAfterEachHeader(names));
}

} // namespace

TEST(PlanRewrite, RewritesEachCaseAsTheTableSays) {
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
         "[URL]\r\nServerPackages=A\r\nlast"},
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
        {"a file that ends without a line end still does",
         "[Engine.GameEngine]\nlast",
         {"B"},
         "[Engine.GameEngine]\nServerPackages=B\nlast"},
        {"a header without end, now followed: the first line end, or CR LF",
         "[Engine.GameEngine]",
         {"B"},
         "[Engine.GameEngine]\r\nServerPackages=B"},
        {"the last package line without end goes: the line before loses its end",
         "[Engine.GameEngine]\nX=1\nServerPackages=A",
         {},
         "[Engine.GameEngine]\nX=1"},
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

TEST(PlanRewrite, KeepsEveryByteOutsideTheSection) {
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

TEST(PlanRewrite, EditsInPlaceMoveNoOtherLine) {
    // add: after the last package line; remove: the lines go; set: at the
    // first package line. Every other line keeps its place and bytes.
    auto remove = [](Names gone) -> EditPackages {
        return [gone](const ConfigurationContents& contents) {
            PackageLineEdit change{Placement::AfterLastPackageLine, {}, {}};
            for (const ConfiguredPackage& package : contents.configured)
                change.keep.push_back(std::find(gone.begin(), gone.end(), package.name) ==
                                      gone.end());
            return change;
        };
    };
    auto set = [](Names names) -> EditPackages {
        return [names](const ConfigurationContents&) {
            return PackageLineEdit{Placement::AtFirstPackageLine, {}, names};
        };
    };
    const std::string split = CrLf({"; server", "[engine.gameengine]", "ServerActors=CCHS4.CCHS",
                                    "ServerPackages=CCHS4", "; maps", "ServerPackages=Maps",
                                    "CacheSizeMegs=32", "[Core.System]", "Paths=..\\System\\*.u"});
    const struct {
        const char* name;
        std::string before;
        EditPackages edit;
        std::string after;
        bool changed;
    } cases[] = {
        {"add to blocks split in two: after the last, the header's spelling kept", split,
         gameini::AddPackages({"New"}),
         CrLf({"; server", "[engine.gameengine]", "ServerActors=CCHS4.CCHS", "ServerPackages=CCHS4",
               "; maps", "ServerPackages=Maps", "ServerPackages=New", "CacheSizeMegs=32",
               "[Core.System]", "Paths=..\\System\\*.u"}),
         true},
        {"add nothing new: the same bytes", split, gameini::AddPackages({}), split, false},
        {"add where there is no package line: after the first header",
         "; x\n[Engine.GameEngine]\nA=1\n[Engine.GameEngine]\n", gameini::AddPackages({"New"}),
         "; x\n[Engine.GameEngine]\nServerPackages=New\nA=1\n[Engine.GameEngine]\n", true},
        {"add after a last line without end: it ends like the file's first, the new one not",
         "[Engine.GameEngine]\r\nServerPackages=A", gameini::AddPackages({"B", "C"}),
         "[Engine.GameEngine]\r\nServerPackages=A\r\nServerPackages=B\r\nServerPackages=C", true},
        {"add after a header that ends the file", "[Engine.GameEngine]",
         gameini::AddPackages({"B"}), "[Engine.GameEngine]\r\nServerPackages=B", true},
        {"add: a new line ends like the line it follows",
         "[Engine.GameEngine]\r\nServerPackages=A\rX=1\n", gameini::AddPackages({"B"}),
         "[Engine.GameEngine]\r\nServerPackages=A\rServerPackages=B\rX=1\n", true},
        {"remove: only the line goes", split, remove({"CCHS4"}),
         CrLf({"; server", "[engine.gameengine]", "ServerActors=CCHS4.CCHS", "; maps",
               "ServerPackages=Maps", "CacheSizeMegs=32", "[Core.System]",
               "Paths=..\\System\\*.u"}),
         true},
        {"remove the last line of a file without end: the new last has none",
         "[Engine.GameEngine]\r\nServerPackages=A\r\nServerPackages=B", remove({"B"}),
         "[Engine.GameEngine]\r\nServerPackages=A", true},
        {"set: at the first package line, the others go", split, set({"Maps", "CCHS4"}),
         CrLf({"; server", "[engine.gameengine]", "ServerActors=CCHS4.CCHS", "ServerPackages=Maps",
               "ServerPackages=CCHS4", "; maps", "CacheSizeMegs=32", "[Core.System]",
               "Paths=..\\System\\*.u"}),
         true},
        {"set the list there is, lines standing together: the same bytes",
         "[Engine.GameEngine]\nServerPackages=A\nServerPackages=B\nX=1", set({"A", "B"}),
         "[Engine.GameEngine]\nServerPackages=A\nServerPackages=B\nX=1", false},
        {"set where the package lines end the file without end",
         "[Engine.GameEngine]\nServerPackages=A\nServerPackages=B", set({"C", "D", "E"}),
         "[Engine.GameEngine]\nServerPackages=C\nServerPackages=D\nServerPackages=E", true},
        {"set where there is no package line: after the first header",
         "[Engine.GameEngine]\r\nX=1\r\n", set({"A"}),
         "[Engine.GameEngine]\r\nServerPackages=A\r\nX=1\r\n", true},
        {"set with lone CRs", "a\r[Engine.GameEngine]\rServerPackages=A\rb", set({"B"}),
         "a\r[Engine.GameEngine]\rServerPackages=B\rb", true},
        {"set with the section twice, each with a package line and another key",
         CrLf({"[Engine.GameEngine]", "ServerPackages=A", "X=1", "[Other]", "[Engine.GameEngine]",
               "ServerPackages=B", "Y=2"}),
         set({"C", "D"}),
         CrLf({"[Engine.GameEngine]", "ServerPackages=C", "ServerPackages=D", "X=1", "[Other]",
               "[Engine.GameEngine]", "Y=2"}),
         true},
        {"add to a UTF-16 file holding only its header: one byte-order mark",
         std::string("\xFF\xFE[\0E\0n\0g\0i\0n\0e\0.\0G\0a\0m\0e\0E\0n\0g\0i\0n\0e\0]\0", 40),
         gameini::AddPackages({"X"}),
         std::string("\xFF\xFE[\0E\0n\0g\0i\0n\0e\0.\0G\0a\0m\0e\0E\0n\0g\0i\0n\0e\0]\0"
                     "\r\0\n\0S\0e\0r\0v\0e\0r\0P\0a\0c\0k\0a\0g\0e\0s\0=\0X\0",
                     76),
         true},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        folder.write("postal2.ini", c.before);
        const RewritePlan rewrite = PlanRewrite(folder.path() + "/postal2.ini", c.edit);
        EXPECT_EQ(rewrite.Bytes(RewritePlan::Version::After), c.after);
        EXPECT_EQ(rewrite.Bytes(RewritePlan::Version::Before), c.before);
        EXPECT_EQ(rewrite.Changed(), c.changed);
    }
}

TEST(PlanRewrite, FailsClearlyAndChangesNothing) {
    TempFolder folder;
    EXPECT_THROW(PlanRewrite(folder.path() + "/postal2.ini", gameini::PackagesAfterEachHeader({})),
                 FileError);
    EXPECT_FALSE(folder.exists("newp2.ini"));

    const std::string source = CrLf({"[Engine.GameEngine]", "ServerPackages=Old"});
    folder.write("postal2.ini", source);
    try {
        PlanRewrite(folder.path() + "/postal2.ini", gameini::PackagesAfterEachHeader({"Жара"}));
        FAIL() << "a name Windows-1252 cannot store was written";
    } catch (const ConfigurationError& error) {
        EXPECT_NE(std::string(error.what()).find("the character \"Ж\""), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(folder.read("postal2.ini"), source);
}

TEST(PlanRewrite, PathsLinesGoAfterTheLastOneAndAreDroppedWhereTheyStand) {
    auto paths = [](std::vector<bool> keep, Names written) -> EditPackages {
        return [keep, written](const ConfigurationContents& contents) {
            EXPECT_EQ(contents.searchPathLines.size(), 3u);
            PackageLineEdit change{Placement::AfterLastPackageLine,
                                   std::vector<bool>(contents.configured.size(), true)};
            change.keepSearchPaths = keep;
            change.writtenSearchPaths = written;
            return change;
        };
    };
    TempFolder folder;
    // Paths= lines in two [Core.System] sections, the last one ending the file.
    const std::string source = "[Core.System]\r\nPaths=..\\System\\*.u\r\nPaths=A/*.u\r\n"
                               "[Engine.GameEngine]\r\nServerPackages=Old\r\n"
                               "[core.system]\r\nPaths=B\\*.u";
    EXPECT_EQ(Rewrite(folder, source, paths({}, {"..\\Mods\\*.u", "C/*.utx"})),
              "[Core.System]\r\nPaths=..\\System\\*.u\r\nPaths=A/*.u\r\n"
              "[Engine.GameEngine]\r\nServerPackages=Old\r\n"
              "[core.system]\r\nPaths=B\\*.u\r\nPaths=..\\Mods\\*.u\r\nPaths=C/*.utx");
    EXPECT_EQ(Rewrite(folder, source, paths({true, false, false}, {})),
              "[Core.System]\r\nPaths=..\\System\\*.u\r\n"
              "[Engine.GameEngine]\r\nServerPackages=Old\r\n"
              "[core.system]");
    EXPECT_EQ(Rewrite(folder, source, paths({true, true, true}, {})), source);
    EXPECT_THROW(Rewrite(folder, source, paths({}, {"A\r\nServerPackages=Evil"})),
                 ConfigurationError);
    const std::string noPaths = CrLf({"[Engine.GameEngine]", "ServerPackages=Old"});
    folder.write("postal2.ini", noPaths);
    EXPECT_THROW(PlanRewrite(folder.path() + "/postal2.ini",
                             [](const ConfigurationContents&) {
                                 PackageLineEdit change{Placement::AfterLastPackageLine, {true}};
                                 change.writtenSearchPaths = {"Mods\\*.u"};
                                 return change;
                             }),
                 ConfigurationError)
        << "no Paths= line to place it by";
}

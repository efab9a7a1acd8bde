#include "gameini/ConfigurationContents.h"
#include "gameini/EditPolicies.h"
#include "gameini/Error.h"
#include "gameini/SaveGameIni.h"
#include "support/ErrorOf.h"
#include "support/TempFolder.h"

#include <functional>
#include <gtest/gtest.h>
#ifndef _WIN32
#include "support/Unprivileged.h"

#include <sys/stat.h>
#endif

// Configurations no one should have, read and saved: each gives a clear error
// naming the file, or goes through with every byte kept.

using Names = std::vector<std::string>;

namespace {

// Saves `names` into the folder's configuration, as Save does.
void Save(const TempFolder& folder, const Names& names) {
    gameini::SaveGameIni(
        gameini::LockConfiguration(folder.path(), "postal2.ini", gameini::Access::Write),
        gameini::PackagesAfterEachHeader(names), gameini::SaveMode::Always);
}

Names ConfiguredNames(const TempFolder& folder) {
    Names names;
    for (const auto& package :
         gameini::ReadConfiguration(folder.path() + "/postal2.ini").configured)
        names.push_back(package.name);
    return names;
}

} // namespace

TEST(BadInput, AConfigurationThatIsNoFileIsRefusedAtOnce) {
    TempFolder folder;
    const std::string path = folder / "postal2.ini";
    const struct {
        const char* kind;
        std::function<void()> make;
        std::string error, saveError;
    } cases[] = {
        {"folder", [&] { std::filesystem::create_directory(path); },
         "Cannot open " + path + " for reading: it is a folder, not a file", ""},
#ifndef _WIN32
        {"FIFO", [&] { mkfifo(path.c_str(), 0644); },
         "Cannot open " + path + " for reading: it is not a regular file", ""},
        {"dangling link", [&] { std::filesystem::create_symlink(folder / "gone.ini", path); },
         "Cannot open " + path + " for reading: No such file or directory",
         "Cannot follow the symbolic link " + path + " to " + (folder / "gone.ini") +
             ": No such file or directory"},
#endif
    };
    for (const auto& c : cases) {
        std::filesystem::remove(path);
        c.make();
        EXPECT_EQ(ErrorOf([&] { gameini::ReadConfiguration(path); }), c.error) << c.kind;
        EXPECT_EQ(ErrorOf([&] { Save(folder, {"A"}); }),
                  c.saveError.empty() ? c.error : c.saveError)
            << c.kind;
        EXPECT_FALSE(folder.exists("newp2.ini")) << c.kind;
        EXPECT_FALSE(folder.exists("postal2.ini.old")) << c.kind;
    }
}

#ifndef _WIN32
TEST(BadInput, AnUnreadableConfigurationIsReportedAndLeftAlone) {
    TempFolder folder;
    const std::string config = CrLf({"[Engine.GameEngine]", "ServerPackages=Old"});
    folder.write("postal2.ini", config);
    std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
    std::filesystem::permissions(folder / "postal2.ini", std::filesystem::perms::none);
    const std::string path = folder.path();
    EXPECT_TRUE(RunUnprivileged([&] {
        return ErrorOf([&] { Save(folder, {"A"}); }) ==
               "Cannot open " + path + "/postal2.ini for reading: Permission denied";
    }));
    std::filesystem::permissions(folder / "postal2.ini", std::filesystem::perms::owner_read);
    EXPECT_EQ(folder.read("postal2.ini"), config);
    EXPECT_FALSE(folder.exists("postal2.ini.old"));
}
#endif

TEST(BadInput, OddBytesOutsideTheSectionAreKept) {
    const std::string section = "[Engine.GameEngine]\r\nServerPackages=Old\r\n";
    const struct {
        const char* kind;
        std::string before; // lines before the section, kept as they are
    } cases[] = {
        {"NUL bytes", std::string("a\0b=\0\r\n\0\r\n", 10)},
        {"binary junk", "\x7F\x80\x81\x8D\x8F\x90\x9D\xFF\xFE\x01\x1A\r\n"},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF; comment\r\n"},
        {"UTF-16 without its mark", std::string("[\0U\0R\0L\0]\0\r\n", 12)},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        folder.write("postal2.ini", c.before + section);
        EXPECT_EQ(ConfiguredNames(folder), Names{"Old"}) << c.kind;
        Save(folder, {"New"});
        EXPECT_EQ(folder.read("Postal2.ini"),
                  c.before + "[Engine.GameEngine]\r\nServerPackages=New\r\n")
            << c.kind;
        EXPECT_EQ(folder.read("postal2.ini.old"), c.before + section) << c.kind;
    }
}

TEST(BadInput, HugeConfigurationsAndLinesGoThrough) {
    TempFolder folder;
    const std::string longLine = "Comment=" + std::string(50 << 20, 'x');
    std::string config = CrLf({"[Engine.GameEngine]", "ServerPackages=Old"}) + longLine + "\r\n";
    const std::string filler = "[Filler]\r\nKey=Value with some text\r\n";
    while (config.size() < (200u << 20))
        config += filler;
    folder.write("postal2.ini", config);
    EXPECT_EQ(ConfiguredNames(folder), Names{"Old"});
    Save(folder, {"New"});
    std::string saved = folder.read("Postal2.ini");
    EXPECT_EQ(saved.size(), config.size());
    const std::string head = "[Engine.GameEngine]\r\nServerPackages=New\r\n";
    EXPECT_TRUE(saved.compare(0, head.size(), head) == 0);
    EXPECT_TRUE(
        saved.compare(head.size(), std::string::npos, config, head.size(), std::string::npos) == 0)
        << "everything after the package block, the 50 MB line too, is kept";
}

#include "Error.h"
#include "GamePath.h"
#include "ReplaceWithBackup.h"
#include "RewriteGameIni.h"
#include "support/ErrorOf.h"
#include "support/FaultyFileSystem.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

// A save whose file operations fail one at a time: each failure is reported
// with its cause and the file, and the game still finds a whole configuration.

namespace {

const std::string kOld = CrLf({"[Engine.GameEngine]", "ServerPackages=Old", "Other=1"});
const std::string kNew = CrLf({"[Engine.GameEngine]", "ServerPackages=New", "Other=1"});

} // namespace

TEST(FaultInjection, EveryFailingStepIsReportedAndLeavesAWholeConfiguration) {
    const struct {
        const char* step;
        int error;
        const char* file;          // named in the message; "" for the folder
        const std::string* config; // what the game then finds as postal2.ini
        bool backupIsOld;          // postal2.ini.old holds the old configuration
    } cases[] = {
        {"write", ENOSPC, "newp2.ini", &kOld, false},
        {"write", EIO, "newp2.ini", &kOld, false},
        {"close", ENOSPC, "newp2.ini", &kOld, false},
        {"close", EIO, "newp2.ini", &kOld, false},
        {"flush work file", EIO, "newp2.ini", &kOld, false},
        {"flush work file", ENOSPC, "newp2.ini", &kOld, false},
        {"rename configuration", EEXIST, "postal2.ini.old", &kOld, false},
        {"rename configuration", EXDEV, "postal2.ini.old", &kOld, false},
        {"rename configuration", EPERM, "postal2.ini.old", &kOld, false},
        {"rename work file", EEXIST, "Postal2.ini", &kOld, false},
        {"rename work file", EXDEV, "Postal2.ini", &kOld, false},
        {"rename work file", EPERM, "Postal2.ini", &kOld, false},
        {"flush folder", EIO, "", &kNew, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.step) + ": " + std::strerror(c.error));
        TempFolder folder;
        folder.write("postal2.ini", kOld);
        FaultyFileSystem fileSystem(c.step, c.error);
        int number = 0;
        std::string message = ErrorOf([&] {
            try {
                RewriteGameIni(folder.path() + "\\postal2.ini", folder.path() + "\\newp2.ini",
                               {"New"}, fileSystem);
                ReplaceWithBackup(gameini::ConfigurationFilesOf(folder.path(), "postal2.ini"),
                                  fileSystem);
            } catch (const gameini::FileError& error) {
                number = error.number();
                throw;
            }
        });
        EXPECT_EQ(number, c.error);
        EXPECT_NE(message.find(std::strerror(c.error)), std::string::npos) << message;
        const std::string named = *c.file ? folder / c.file : folder.path();
        EXPECT_NE(message.find(named), std::string::npos) << message;
        std::string config = ReadBytes(gameini::ResolvePath(folder.path() + "\\postal2.ini"));
        EXPECT_EQ(config, *c.config);
        if (c.backupIsOld) {
            EXPECT_EQ(folder.read("postal2.ini.old"), kOld);
            EXPECT_TRUE(message.starts_with("the configuration was saved, but ")) << message;
        } else
            EXPECT_FALSE(folder.exists("postal2.ini.old"));
    }
}

TEST(FaultInjection, DeletingTheOldBackupMayFailQuietly) {
    TempFolder folder;
    folder.write("postal2.ini", kOld);
    FaultyFileSystem fileSystem("remove backup", EACCES);
    RewriteGameIni(folder.path() + "\\postal2.ini", folder.path() + "\\newp2.ini", {"New"},
                   fileSystem);
    ReplaceWithBackup(gameini::ConfigurationFilesOf(folder.path(), "postal2.ini"), fileSystem);
    EXPECT_EQ(folder.read("Postal2.ini"), kNew);
    EXPECT_EQ(folder.read("postal2.ini.old"), kOld);
}

TEST(FaultInjection, ARollbackThatFailsSaysWhereThePreviousConfigurationIs) {
    TempFolder folder;
    folder.write("postal2.ini", kOld);
    FaultyFileSystem fileSystem(std::set<std::string>{"rename work file", "roll back"}, EIO);
    RewriteGameIni(folder.path() + "\\postal2.ini", folder.path() + "\\newp2.ini", {"New"},
                   fileSystem);
    const std::string message = ErrorOf([&] {
        ReplaceWithBackup(gameini::ConfigurationFilesOf(folder.path(), "postal2.ini"), fileSystem);
    });
    EXPECT_TRUE(message.ends_with("(the previous configuration is kept as " +
                                  (folder / "postal2.ini.old") + ")"))
        << message;
    EXPECT_EQ(folder.read("postal2.ini.old"), kOld);
    EXPECT_EQ(folder.read("newp2.ini"), kNew);
}

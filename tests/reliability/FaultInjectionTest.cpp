#include "Error.h"
#include "GamePath.h"
#include "SaveGameIni.h"
#include "support/Edits.h"
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

// The window's placement and the command line's, with what each saves.
const struct Placement {
    const char* name;
    gameini::EditPackages edit;
    std::string saved;
} kPlacements[] = {
    {"window", WindowEdit({"New"}), CrLf({"[Engine.GameEngine]", "ServerPackages=New", "Other=1"})},
    {"add", AddEdit({"New"}),
     CrLf({"[Engine.GameEngine]", "ServerPackages=Old", "ServerPackages=New", "Other=1"})},
};

// Saves the folder's configuration through `fileSystem`; the error's number
// goes to `number`.
std::string SaveFailing(const TempFolder& folder, const Placement& placement,
                        FaultyFileSystem& fileSystem, int& number) {
    return ErrorOf([&] {
        try {
            gameini::SaveGameIni(gameini::ConfigurationFilesOf(folder.path(), "postal2.ini"),
                                 placement.edit, gameini::SaveMode::Always, fileSystem);
        } catch (const gameini::FileError& error) {
            number = error.number();
            throw;
        }
    });
}

} // namespace

TEST(FaultInjection, EveryFailingStepIsReportedAndLeavesAWholeConfiguration) {
    const struct {
        std::map<std::string, int> faults;
        int error;        // the one reported
        const char* file; // named in the message; "" for the folder
        bool saved;       // the game then finds the new configuration, else the old one
        bool backupIsOld; // postal2.ini.old holds the old configuration
    } cases[] = {
        {{{"write", ENOSPC}}, ENOSPC, "newp2.ini", false, false},
        {{{"write", EIO}}, EIO, "newp2.ini", false, false},
        {{{"close", ENOSPC}}, ENOSPC, "newp2.ini", false, false},
        {{{"close", EIO}}, EIO, "newp2.ini", false, false},
        {{{"flush new file", EIO}}, EIO, "newp2.ini", false, false},
        {{{"flush new file", ENOSPC}}, ENOSPC, "newp2.ini", false, false},
        {{{"rename configuration", EEXIST}}, EEXIST, "postal2.ini.old", false, false},
        {{{"rename configuration", EXDEV}}, EXDEV, "postal2.ini.old", false, false},
        {{{"rename configuration", EPERM}}, EPERM, "postal2.ini.old", false, false},
        {{{"rename work file", EEXIST}}, EEXIST, "Postal2.ini", false, false},
        {{{"rename work file", EXDEV}}, EXDEV, "Postal2.ini", false, false},
        {{{"rename work file", EPERM}}, EPERM, "Postal2.ini", false, false},
        {{{"flush folder", EIO}}, EIO, "", true, true},
        // A mount point, found only by its rename: saved in place.
        {{{"rename configuration", EBUSY}, {"open for overwrite", EACCES}},
         EACCES,
         "postal2.ini",
         false,
         true},
        {{{"rename configuration", EBUSY}, {"finish overwrite", EIO}},
         EIO,
         "postal2.ini",
         true,
         true},
    };
    for (const Placement& placement : kPlacements) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(placement.name) + ", " + c.faults.rbegin()->first + ": " +
                         std::strerror(c.error));
            TempFolder folder;
            folder.write("postal2.ini", kOld);
            FaultyFileSystem fileSystem(c.faults);
            int number = 0;
            const std::string message = SaveFailing(folder, placement, fileSystem, number);
            EXPECT_EQ(number, c.error);
            EXPECT_NE(message.find(std::strerror(c.error)), std::string::npos) << message;
            const std::string named = *c.file ? folder / c.file : folder.path();
            EXPECT_NE(message.find(named), std::string::npos) << message;
            const std::string config =
                ReadBytes(gameini::ResolvePath(folder.path() + "/postal2.ini"));
            if (c.faults.contains("finish overwrite")) { // perhaps not on disk: the backup is
                EXPECT_TRUE(message.ends_with("(the previous configuration is kept as " +
                                              (folder / "postal2.ini.old") + ")"))
                    << message;
            } else {
                EXPECT_EQ(config, c.saved ? placement.saved : kOld);
            }
            EXPECT_EQ(folder.exists("postal2.ini.old"), c.backupIsOld);
            if (c.backupIsOld) {
                EXPECT_EQ(folder.read("postal2.ini.old"), kOld);
            }
            if (c.faults.contains("flush folder")) {
                EXPECT_TRUE(message.starts_with("the configuration was saved, but ")) << message;
            }
        }
    }
}

TEST(FaultInjection, AMountPointFoundByItsRenameIsSavedInPlace) {
    for (const Placement& placement : kPlacements) {
        SCOPED_TRACE(placement.name);
        TempFolder folder;
        folder.write("postal2.ini", kOld);
        FaultyFileSystem fileSystem("rename configuration", EBUSY);
        const gameini::SaveResult result =
            gameini::SaveGameIni(gameini::ConfigurationFilesOf(folder.path(), "postal2.ini"),
                                 placement.edit, gameini::SaveMode::Always, fileSystem);
        EXPECT_TRUE(result.inPlace);
        EXPECT_EQ(folder.read("postal2.ini"), placement.saved) << "the same file, written anew";
        EXPECT_EQ(folder.read("postal2.ini.old"), kOld);
        EXPECT_FALSE(folder.exists("newp2.ini"));
        EXPECT_FALSE(folder.exists("Postal2.ini"));
    }
}

TEST(FaultInjection, DeletingTheOldBackupMayFailQuietly) {
    TempFolder folder;
    folder.write("postal2.ini", kOld);
    FaultyFileSystem fileSystem("remove backup", EACCES);
    gameini::SaveGameIni(gameini::ConfigurationFilesOf(folder.path(), "postal2.ini"),
                         kPlacements[0].edit, gameini::SaveMode::Always, fileSystem);
    EXPECT_EQ(folder.read("Postal2.ini"), kPlacements[0].saved);
    EXPECT_EQ(folder.read("postal2.ini.old"), kOld);
}

TEST(FaultInjection, ARollbackThatFailsSaysWhereThePreviousConfigurationIs) {
    TempFolder folder;
    folder.write("postal2.ini", kOld);
    FaultyFileSystem fileSystem(std::set<std::string>{"rename work file", "roll back"}, EIO);
    int number = 0;
    const std::string message = SaveFailing(folder, kPlacements[0], fileSystem, number);
    EXPECT_TRUE(message.ends_with("(the previous configuration is kept as " +
                                  (folder / "postal2.ini.old") + ")"))
        << message;
    EXPECT_EQ(folder.read("postal2.ini.old"), kOld);
    EXPECT_EQ(folder.read("newp2.ini"), kPlacements[0].saved);
}

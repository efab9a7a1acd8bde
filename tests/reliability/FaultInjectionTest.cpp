#include "gameini/EditPolicies.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/RestoreBackup.h"
#include "gameini/SaveGameIni.h"
#include "gameini/TextCase.h"
#include "support/ErrorOf.h"
#include "support/FaultyFileSystem.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

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
    {"window", gameini::PackagesAfterEachHeader({"New"}),
     CrLf({"[Engine.GameEngine]", "ServerPackages=New", "Other=1"})},
    {"add", gameini::AddPackages({"New"}),
     CrLf({"[Engine.GameEngine]", "ServerPackages=Old", "ServerPackages=New", "Other=1"})},
};

// Saves the folder's configuration through `fileSystem`, which the lock
// goes through too; the error's number goes to `number`.
std::string SaveFailing(const TempFolder& folder, const Placement& placement,
                        FaultyFileSystem& fileSystem, int& number) {
    return ErrorOf([&] {
        try {
            gameini::SaveGameIni(gameini::LockConfiguration(folder.path(), "postal2.ini",
                                                            gameini::Access::Write, {}, fileSystem),
                                 placement.edit, gameini::SaveMode::Always, fileSystem);
        } catch (const gameini::FileError& error) {
            number = error.number();
            throw;
        }
    });
}

std::set<std::string> Names(const TempFolder& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        names.insert(entry.path().filename().string());
    return names;
}

const std::string kOlder = "an older backup\r\n";

// Whether the message names the file; Windows ignores letter case in names.
bool NamesFile(const std::string& message, const std::string& file) {
#ifdef _WIN32
    return gameini::LowerCase(message).find(gameini::LowerCase(file)) != std::string::npos;
#else
    return message.find(file) != std::string::npos;
#endif
}

} // namespace

TEST(FaultInjection, EveryFailingStepIsReportedAndLeavesAWholeConfiguration) {
    enum Holds { Old, New, Older };
    const struct {
        std::map<std::string, int> faults;
        int error;                         // the one reported
        const char* file;                  // named in the message; "" for the folder
        std::map<std::string, Holds> left; // every file in the folder afterwards
        const char* ending = "";           // how the message ends
    } cases[] = {
        // The new file, on every system.
        {{{"write", ENOSPC}},
         ENOSPC,
         "newp2.ini",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}}},
        {{{"write", EIO}}, EIO, "newp2.ini", {{"postal2.ini", Old}, {"postal2.ini.old", Older}}},
        {{{"close", ENOSPC}},
         ENOSPC,
         "newp2.ini",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}}},
        {{{"flush new file", EIO}},
         EIO,
         "newp2.ini",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}}},
#ifdef _WIN32
        // Replacing the configuration with ReplaceFileW.
        {{{"replace", EACCES}},
         EACCES,
         "postal2.ini",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}}},
#else
        // Replacing the configuration by a swap.
        {{{"exchange", EPERM}},
         EPERM,
         "newp2.ini",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}}},
        {{{"rename", EPERM}},
         EPERM,
         "postal2.ini.old",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}}},
        {{{"rename", EIO}, {"exchange#2", EIO}},
         EIO,
         "postal2.ini.old",
         {{"postal2.ini", New}, {"postal2.ini.old", Older}, {"newp2.ini", Old}},
         "(the configuration was saved; the previous one is kept as NEWP2)"},
        {{{"rename no replace", EPERM}},
         EPERM,
         "Postal2.ini",
         {{"postal2.ini", New}, {"postal2.ini.old", Old}}},
        {{{"flush folder", EIO}}, EIO, "", {{"Postal2.ini", New}, {"postal2.ini.old", Old}}},
        // By renames, where the file system cannot swap.
        {{{"exchange", EINVAL}, {"rename no replace", EPERM}},
         EPERM,
         "postal2.ini.old",
         {{"postal2.ini", Old}}},
        {{{"exchange", EINVAL}, {"rename no replace#2", EXDEV}},
         EXDEV,
         "Postal2.ini",
         {{"postal2.ini", Old}}},
        {{{"exchange", EINVAL}, {"rename no replace#2", EIO}, {"rename no replace#3", EIO}},
         EIO,
         "Postal2.ini",
         {{"postal2.ini.old", Old}, {"newp2.ini", New}},
         "(the previous configuration is kept as OLD, the new one as NEWP2)"},
        // In place: a mount point, found by its swap.
        {{{"exchange", EBUSY}, {"write#2", ENOSPC}},
         ENOSPC,
         "newp2.ini",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}}},
        {{{"exchange", EBUSY}, {"open for overwrite", EACCES}},
         EACCES,
         "postal2.ini",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}}},
        {{{"exchange", EBUSY}, {"reserve", ENOSPC}},
         ENOSPC,
         "postal2.ini",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}}},
        {{{"exchange", EBUSY}, {"write#3", ENOSPC}},
         ENOSPC,
         "postal2.ini",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}},
         "was left as it was"},
        {{{"exchange", EBUSY}, {"finish overwrite", EIO}},
         EIO,
         "postal2.ini",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}},
         "was left as it was"},
        {{{"exchange", EBUSY}, {"write#3", ENOSPC}, {"write#4", ENOSPC}},
         ENOSPC,
         "postal2.ini",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}, {"postal2.ini.old.new", Old}},
         "(the previous configuration is kept as UNFINISHED)"},
#endif
        // The lock itself.
        {{{"lock", ENOLCK}},
         ENOLCK,
         "postal2.ini",
         {{"postal2.ini", Old}, {"postal2.ini.old", Older}}},
    };
    for (const Placement& placement : kPlacements) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(placement.name) + ", " + c.faults.rbegin()->first + ": " +
                         std::strerror(c.error));
            TempFolder folder;
            folder.write("postal2.ini", kOld);
            folder.write("postal2.ini.old", kOlder);
            FaultyFileSystem fileSystem(c.faults);
            int number = 0;
            const std::string message = SaveFailing(folder, placement, fileSystem, number);
            EXPECT_EQ(number, c.error);
            EXPECT_NE(message.find(std::strerror(c.error)), std::string::npos) << message;
            const std::string named = *c.file ? folder / c.file : folder.path();
            EXPECT_TRUE(NamesFile(message, named)) << message;
            std::string ending = c.ending;
            for (const auto& [word, name] : {std::pair{"NEWP2", "newp2.ini"},
                                             {"OLD", "postal2.ini.old"},
                                             {"UNFINISHED", "postal2.ini.old.new"}})
                if (const size_t at = ending.find(word); at != std::string::npos)
                    ending.replace(at, std::strlen(word), folder / name);
            EXPECT_TRUE(message.ends_with(ending)) << message;
            std::set<std::string> names;
            for (const auto& [name, holds] : c.left) {
                names.insert(name);
                EXPECT_EQ(folder.read(name), holds == New   ? placement.saved
                                             : holds == Old ? kOld
                                                            : kOlder)
                    << name;
            }
            EXPECT_EQ(Names(folder), names);
            if (c.faults.contains("flush folder")) {
                EXPECT_TRUE(message.starts_with("the configuration was saved, but ")) << message;
            }
        }
    }
}

TEST(FaultInjection, AFullDiskTwiceInARowLeavesTheConfigurationAndItsBackupWhole) {
    const std::map<std::string, int> kinds[] = {
        {{"write", ENOSPC}},
        {{"flush new file", ENOSPC}},
#ifndef _WIN32 // a mount point, saved in place
        {{"exchange", EBUSY}, {"write#2", ENOSPC}},
        {{"exchange", EBUSY}, {"reserve", ENOSPC}},
        {{"exchange", EBUSY}, {"write#3", ENOSPC}},
#endif
    };
    for (const Placement& placement : kPlacements) {
        for (const auto& faults : kinds) {
            SCOPED_TRACE(std::string(placement.name) + ", " + faults.rbegin()->first);
            TempFolder folder;
            folder.write("postal2.ini", kOld);
            folder.write("postal2.ini.old", kOlder);
            for (int attempt = 0; attempt < 2; ++attempt) {
                FaultyFileSystem fileSystem(faults);
                int number = 0;
                EXPECT_NE(SaveFailing(folder, placement, fileSystem, number), "no error");
                EXPECT_EQ(number, ENOSPC);
            }
            EXPECT_EQ(folder.read("postal2.ini"), kOld);
            EXPECT_EQ(folder.read("postal2.ini.old"), kOlder);
            EXPECT_EQ(Names(folder), (std::set<std::string>{"postal2.ini", "postal2.ini.old"}));
        }
    }
}

#ifndef _WIN32 // no file is a mount point on Windows
TEST(FaultInjection, AMountPointFoundByItsSwapIsSavedInPlace) {
    for (const Placement& placement : kPlacements) {
        SCOPED_TRACE(placement.name);
        TempFolder folder;
        folder.write("postal2.ini", kOld);
        FaultyFileSystem fileSystem("exchange", EBUSY);
        const gameini::SaveResult result = gameini::SaveGameIni(
            gameini::LockConfiguration(folder.path(), "postal2.ini", gameini::Access::Write),
            placement.edit, gameini::SaveMode::Always, fileSystem);
        EXPECT_EQ(result.inPlace, gameini::InPlace::MountPoint);
        EXPECT_EQ(folder.read("postal2.ini"), placement.saved) << "the same file, written anew";
        EXPECT_EQ(folder.read("postal2.ini.old"), kOld);
        EXPECT_EQ(Names(folder), (std::set<std::string>{"postal2.ini", "postal2.ini.old"}));
    }
}
#endif

TEST(FaultInjection, ARestoreFailingAtAnyStepLeavesAWholeConfiguration) {
    // kOld is the configuration, kOlder its backup.
    const struct {
        std::map<std::string, int> faults;
        std::map<std::string, std::string> left; // every file afterwards; "" for no error
        const char* ending = "";
    } cases[] = {
        {{{"exchange", EIO}}, {{"postal2.ini", kOld}, {"postal2.ini.old", kOlder}}},
        {{{"flush folder", EIO}}, {{"postal2.ini", kOlder}, {"postal2.ini.old", kOld}}},
#ifdef _WIN32
        // With ReplaceFileW, the configuration moving to the work file's name.
        {{{"replace", EACCES}}, {{"postal2.ini", kOld}, {"postal2.ini.old", kOlder}}},
        {{{"rename", EIO}},
         {{"postal2.ini", kOlder}, {"newp2.ini", kOld}},
         "(restored; the previous configuration is kept as NEWP2)"},
#else
        // By renames, where the file system cannot swap.
        {{{"exchange", EINVAL}, {"write", ENOSPC}},
         {{"postal2.ini", kOld}, {"postal2.ini.old", kOlder}}},
        {{{"exchange", EINVAL}, {"flush new file", EIO}},
         {{"postal2.ini", kOld}, {"postal2.ini.old", kOlder}}},
        {{{"exchange", EINVAL}, {"rename", EIO}},
         {{"postal2.ini", kOld}, {"postal2.ini.old", kOlder}}},
        {{{"exchange", EINVAL}, {"rename#2", EIO}},
         {{"postal2.ini", kOlder}, {"newp2.ini", kOld}},
         "(restored; the previous configuration is kept as NEWP2)"},
        {{{"exchange", EINVAL}}, {{"postal2.ini", kOlder}, {"postal2.ini.old", kOld}}},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults.rbegin()->first);
        TempFolder folder;
        folder.write("postal2.ini", kOld);
        folder.write("postal2.ini.old", kOlder);
        FaultyFileSystem fileSystem(c.faults);
        const std::string message = ErrorOf([&] {
            gameini::RestoreBackup(gameini::LockConfiguration(folder.path(), "postal2.ini",
                                                              gameini::Access::Write, {},
                                                              fileSystem),
                                   fileSystem);
        });
        const bool fails = c.faults.size() > 1 || c.faults.begin()->second != EINVAL;
        EXPECT_EQ(message == "no error", !fails) << message;
        std::string ending = c.ending;
        if (const size_t at = ending.find("NEWP2"); at != std::string::npos)
            ending.replace(at, 5, folder / "newp2.ini");
        EXPECT_TRUE(message.ends_with(ending)) << message;
        std::set<std::string> names;
        for (const auto& [name, holds] : c.left) {
            names.insert(name);
            EXPECT_EQ(folder.read(name), holds) << name;
        }
        EXPECT_EQ(Names(folder), names);
    }
    // After a save in place that did not finish, nothing is swapped.
    TempFolder folder;
    folder.write("postal2.ini", "half written");
    folder.write("postal2.ini.old", kOlder);
    folder.write("postal2.ini.old.new", kOld);
    const std::string error = ErrorOf([&] {
        gameini::RestoreBackup(
            gameini::LockConfiguration(folder.path(), "postal2.ini", gameini::Access::Write));
    });
    EXPECT_NE(error.find("in place did not finish"), std::string::npos) << error;
    EXPECT_EQ(folder.read("postal2.ini"), "half written");
    EXPECT_EQ(folder.read("postal2.ini.old"), kOlder);
}

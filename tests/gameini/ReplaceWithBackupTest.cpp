#include "gameini/ReplaceWithBackup.h"
#include "gameini/EditPolicies.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/RestoreBackup.h"
#include "gameini/SaveGameIni.h"
#include "support/ErrorOf.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <set>
#ifndef _WIN32
#include "support/Unprivileged.h"

#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace gameini;
namespace fs = std::filesystem;

namespace {

const std::string kOld = CrLf({"[Engine.GameEngine]", "ServerPackages=Old"});
const std::string kNew = CrLf({"[Engine.GameEngine]", "ServerPackages=New"});
// The name a save leaves: the game's Linux build reads "Postal2.ini"; where
// names ignore case, the configuration keeps its own.
const std::string kSaved = kNamesIgnoreCase ? "postal2.ini" : "Postal2.ini";

std::set<std::string> Names(const TempFolder& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path()))
        names.insert(entry.path().filename().string());
    return names;
}

// A file system without the kernel's no-replace rename and swap.
class NoReplaceFlagFileSystem : public FileSystem {
protected:
    bool KernelRenameNoReplace(const std::string&, const std::string&) override {
        errno = EINVAL;
        return false;
    }
    bool KernelExchange(const std::string&, const std::string&) override {
        errno = EINVAL;
        return false;
    }
};

} // namespace

TEST(ReplaceWithBackup, PutsTheWorkFileInPlaceBehindABackup) {
    TempFolder folder;
    folder.write("postal2.ini", kOld);
    folder.write("newp2.ini", kNew);
    ReplaceWithBackup(ConfigurationFilesOf(folder.path(), "postal2.ini"));
    EXPECT_EQ(Names(folder), (std::set<std::string>{kSaved, "postal2.ini.old"}));
    EXPECT_EQ(folder.read("Postal2.ini"), kNew);
    EXPECT_EQ(folder.read("postal2.ini.old"), kOld);

    // Again: the configuration is now found as "Postal2.ini", and the backup
    // of the first save is replaced.
    folder.write("newp2.ini", "third\r\n");
    ReplaceWithBackup(ConfigurationFilesOf(folder.path() + "/", "postal2.ini"));
    EXPECT_EQ(Names(folder), (std::set<std::string>{kSaved, "postal2.ini.old"}));
    EXPECT_EQ(folder.read("Postal2.ini"), "third\r\n");
    EXPECT_EQ(folder.read("postal2.ini.old"), kNew);
}

#ifndef _WIN32 // a backslash is a separator on Windows, and a mode is POSIX's
TEST(ReplaceWithBackup, AFolderWithABackslashInItsName) {
    TempFolder parent;
    const std::string folder = parent / "odd\\name";
    fs::create_directory(folder);
    WriteBytes(folder + "/postal2.ini", kOld);
    SaveGameIni(LockConfiguration(folder, "postal2.ini", Access::Write),
                gameini::PackagesAfterEachHeader({"New"}), SaveMode::Always);
    EXPECT_EQ(ReadBytes(folder + "/Postal2.ini"), kNew);
    EXPECT_EQ(ReadBytes(folder + "/postal2.ini.old"), kOld);
}

TEST(ReplaceWithBackup, KeepsThePermissionBitsOfTheConfiguration) {
    TempFolder folder;
    folder.write("postal2.ini", kOld);
    folder.write("newp2.ini", kNew);
    fs::permissions(folder / "postal2.ini", fs::perms::owner_read | fs::perms::owner_write);
    ReplaceWithBackup(ConfigurationFilesOf(folder.path(), "postal2.ini"));
    EXPECT_EQ(fs::status(folder / "Postal2.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}
#endif

TEST(ReplaceWithBackup, ABackupNameThatCannotBeTakenLeavesTheConfigurationAlone) {
    NoReplaceFlagFileSystem noExchange;
    for (FileSystem* fileSystem : {&RealFileSystem(), static_cast<FileSystem*>(&noExchange)}) {
        TempFolder folder;
        folder.write("postal2.ini", kOld);
        folder.write("newp2.ini", kNew);
        fs::create_directory(folder / "postal2.ini.old");
        EXPECT_NE(ErrorOf([&] {
                      ReplaceWithBackup(ConfigurationFilesOf(folder.path(), "postal2.ini"),
                                        *fileSystem);
                  }).find("to " + (folder / "postal2.ini.old") + ": "),
                  std::string::npos);
        EXPECT_EQ(Names(folder), (std::set<std::string>{"postal2.ini", "postal2.ini.old"}))
            << "the work file is removed";
        EXPECT_EQ(folder.read("postal2.ini"), kOld);
    }
}

#ifndef _WIN32 // no two names differ only in letter case on Windows
TEST(ReplaceWithBackup, ALastRenameThatFailsIsRolledBack) {
    TempFolder folder;
    folder.write("postal2.ini", kOld);
    folder.write("POSTAL2.INI", "a second configuration in other letters\r\n");
    folder.write("newp2.ini", kNew);
    NoReplaceFlagFileSystem noExchange;
    std::string error = ErrorOf(
        [&] { ReplaceWithBackup(ConfigurationFilesOf(folder.path(), "postal2.ini"), noExchange); });
    EXPECT_EQ(error, "Cannot rename " + (folder / "newp2.ini") + " to " + (folder / "Postal2.ini") +
                         ": " + (folder / "POSTAL2.INI") + " already exists");
    EXPECT_EQ(folder.read("postal2.ini"), kOld);
    EXPECT_EQ(Names(folder), (std::set<std::string>{"postal2.ini", "POSTAL2.INI"}));
}
#endif

TEST(ReplaceWithBackup, WorksWhereTheFileSystemLacksNoReplaceRenames) {
    TempFolder folder;
    folder.write("postal2.ini", kOld);
    folder.write("newp2.ini", kNew);
    NoReplaceFlagFileSystem fileSystem;
    ReplaceWithBackup(ConfigurationFilesOf(folder.path(), "postal2.ini"), fileSystem);
    EXPECT_EQ(folder.read("Postal2.ini"), kNew);
    EXPECT_EQ(folder.read("postal2.ini.old"), kOld);

    folder.write("newp2.ini", "x\r\n");
    folder.write("Other", "y");
    for (FileSystem* real : {static_cast<FileSystem*>(&fileSystem), &RealFileSystem()}) {
        EXPECT_THROW(real->RenameNoReplace(folder / "newp2.ini", folder / "Other"), FileError);
        EXPECT_EQ(folder.read("Other"), "y");
    }
}

TEST(RestoreBackup, SwapsTheConfigurationAndItsBackupAndBackAgain) {
    NoReplaceFlagFileSystem noExchange;
    for (FileSystem* fileSystem : {&RealFileSystem(), static_cast<FileSystem*>(&noExchange)}) {
        TempFolder folder;
        folder.write("Postal2.ini", kNew);
        folder.write("postal2.ini.old", kOld);
        auto restore = [&] {
            RestoreBackup(LockConfiguration(folder.path(), "postal2.ini", Access::Write),
                          *fileSystem);
        };
        restore();
        EXPECT_EQ(folder.read("Postal2.ini"), kOld);
        EXPECT_EQ(folder.read("postal2.ini.old"), kNew);
        restore();
        EXPECT_EQ(Names(folder), (std::set<std::string>{"Postal2.ini", "postal2.ini.old"}));
        EXPECT_EQ(folder.read("Postal2.ini"), kNew);
    }
}

#ifndef _WIN32 // modes and owners are POSIX's
TEST(SaveSequence, AReadOnlyFolderFailsBeforeAnythingChanges) {
    TempFolder folder;
    folder.write("postal2.ini", kOld);
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                       fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(folder / "postal2.ini", fs::perms::all, fs::perm_options::add);
    if (geteuid() == 0) { // the one who runs it owns it
        ASSERT_EQ(chown((folder / "postal2.ini").c_str(), 65534, 65534), 0);
    }
    const std::string path = folder.path();
    EXPECT_TRUE(RunUnprivileged([&] {
        std::string error = ErrorOf([&] {
            SaveGameIni(LockConfiguration(path, "postal2.ini", Access::Write),
                        gameini::PackagesAfterEachHeader({"A"}), SaveMode::Always);
        });
        return error == "Cannot create " + path + "/newp2.ini: Permission denied";
    }));
    EXPECT_EQ(Names(folder), std::set<std::string>{"postal2.ini"});
    EXPECT_EQ(folder.read("postal2.ini"), kOld);
}
#endif

#ifndef _WIN32 // making a symbolic link takes a privilege on Windows
TEST(SaveSequence, AWorkFileLinkedElsewhereLeavesItsTargetAlone) {
    TempFolder folder, elsewhere;
    folder.write("postal2.ini", kOld);
    elsewhere.write("precious.txt", "precious");
    fs::create_symlink(elsewhere / "precious.txt", folder / "newp2.ini");
    SaveGameIni(LockConfiguration(folder.path(), "postal2.ini", Access::Write),
                gameini::PackagesAfterEachHeader({"A"}), SaveMode::Always);
    EXPECT_EQ(elsewhere.read("precious.txt"), "precious");
    EXPECT_EQ(folder.read("Postal2.ini"), CrLf({"[Engine.GameEngine]", "ServerPackages=A"}));
}
#endif

TEST(SaveSequence, TheLockKeepsOtherWritersOutButNeverReaders) {
    TempFolder folder;
    folder.write("postal2.ini", kOld);
    const std::string path = folder.path();
    auto lock = [&](Access access) {
        return LockConfiguration(path, "postal2.ini", access, std::chrono::milliseconds(20));
    };
    {
        const LockedConfiguration writer = lock(Access::Write);
        EXPECT_THROW(lock(Access::Write), BusyError);
        EXPECT_THROW(lock(Access::Read), BusyError);
        // Windows' locks keep others from reading what they cover: the game
        // must still read its configuration while a save holds it.
        EXPECT_EQ(ReadBytes(folder / "postal2.ini"), kOld);
    }
    const LockedConfiguration reader = lock(Access::Read);
    EXPECT_NO_THROW(lock(Access::Read)) << "readers share";
    EXPECT_THROW(lock(Access::Write), BusyError);
}

#include "gameini/SaveGameIni.h"
#include "gameini/EditPolicies.h"
#include "gameini/ReplaceWithBackup.h"
#include "gameini/RestoreBackup.h"
#include "support/ErrorOf.h"
#include "support/MountNamespace.h"
#include "support/TempFolder.h"

#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// Saves where servers run: configurations linked in from elsewhere, mounted
// into the folder, owned by the game's user.

using namespace gameini;
namespace fs = std::filesystem;

namespace {

const std::string kOld = CrLf({"[Engine.GameEngine]", "ServerPackages=Old"});
const std::string kNew = CrLf({"[Engine.GameEngine]", "ServerPackages=Old", "ServerPackages=New"});

SaveResult Add(const std::string& folder, const char* name = "postal2.ini") {
    return SaveGameIni(LockConfiguration(folder, name, Access::Write),
                       gameini::AddPackages({"New"}), SaveMode::WhenChanged);
}

} // namespace

TEST(SaveGameIni, ALinkedConfigurationIsSavedInItsTargetsFolderAndTheLinkStays) {
    const struct {
        const char* name;
        const char* target;             // under the "managed" folder
        std::vector<std::string> links; // in the System folder; each to the next, the last
                                        // to the target ("/" first: absolute)
        const char* work;
        const char* backup;
    } cases[] = {
        {"relative", "postal2.ini", {"postal2.ini"}, "newp2.ini", "postal2.ini.old"},
        {"absolute", "Postal2.ini", {"/postal2.ini"}, "newp2.ini", "postal2.ini.old"},
        {"a chain",
         "server-one.ini",
         {"postal2.ini", "/middle.ini"},
         "server-one.ini.new",
         "server-one.ini.old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder system, managed;
        managed.write(c.target, kOld);
        std::string to = managed / c.target;
        for (auto link = c.links.rbegin(); link != c.links.rend(); ++link) {
            const bool absolute = link->starts_with('/');
            const std::string at = system / (absolute ? link->substr(1) : *link);
            fs::create_symlink(absolute ? to : fs::relative(to, system.path()).string(), at);
            to = at;
        }
        const SaveResult result = Add(system.path());
        EXPECT_EQ(result.backup, managed / c.backup);
        EXPECT_EQ(managed.read(c.target), kNew) << "the target holds the change";
        EXPECT_EQ(managed.read(c.backup), kOld);
        EXPECT_FALSE(managed.exists(c.work));
        EXPECT_TRUE(fs::is_symlink(system / "postal2.ini")) << "the link is left as it is";
        EXPECT_EQ(system.read("postal2.ini"), kNew);
        EXPECT_FALSE(system.exists("postal2.ini.old"));
    }
    TempFolder system;
    fs::create_symlink(system / "nowhere.ini", system / "postal2.ini");
    EXPECT_EQ(ErrorOf([&] { Add(system.path()); }),
              "Cannot follow the symbolic link " + (system / "postal2.ini") + " to " +
                  (system / "nowhere.ini") + ": No such file or directory");
    EXPECT_FALSE(system.exists("newp2.ini"));
}

TEST(SaveGameIni, KeepsTheOwnerGroupAndModeOfTheConfiguration) {
    if (geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    TempFolder folder;
    for (const char* name : {"postal2.ini", "Postal2MP.ini"}) {
        SCOPED_TRACE(name);
        folder.write(name, kOld);
        ASSERT_EQ(chown((folder / name).c_str(), 12345, 23456), 0);
        ASSERT_EQ(chmod((folder / name).c_str(), 0640), 0);
        const std::string saved = Add(folder.path(), name).written
                                      ? ConfigurationFilesOf(folder.path(), name).config
                                      : "";
        struct stat info;
        ASSERT_EQ(stat(saved.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 12345u);
        EXPECT_EQ(info.st_gid, 23456u);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
    }
}

TEST(SaveGameIni, AMountedConfigurationIsSavedInPlace) {
    // Its folder's name has a blank, which the mount table writes as "\040".
    TempFolder parent, managed;
    const std::string system = parent / "Postal 2 System";
    fs::create_directory(system);
    auto read = [&](const char* name) { return ReadBytes(system + "/" + name); };
    managed.write("server.ini", kOld);
    WriteBytes(system + "/postal2.ini", "to be covered by the mount\r\n");
    int outcome =
        InMountNamespace((Mounts{{managed / "server.ini", system + "/postal2.ini"}}), [&] {
            struct stat before, after;
            stat((system + "/postal2.ini").c_str(), &before);
            const ConfigurationFiles files = ConfigurationFilesOf(system, "postal2.ini");
            const SaveResult added = Add(system);
            stat((system + "/postal2.ini").c_str(), &after);
            const bool held = files.inPlace == InPlace::MountPoint &&
                              added.inPlace == InPlace::MountPoint &&
                              before.st_ino == after.st_ino && read("postal2.ini") == kNew &&
                              read("postal2.ini.old") == kOld && !fs::exists(system + "/newp2.ini");
            // Shorter again: nothing of the longer file may stay after its end.
            SaveGameIni(
                LockConfiguration(system, "postal2.ini", Access::Write),
                [](const ConfigurationContents& contents) {
                    return PackageLineEdit{Placement::AfterLastPackageLine,
                                           std::vector<bool>(contents.configured.size() - 1, true),
                                           {}};
                },
                SaveMode::WhenChanged);
            const bool shorter = read("postal2.ini") == kOld;
            // Restoring swaps the bytes, as a mount point cannot be renamed.
            const bool restored =
                RestoreBackup(LockConfiguration(system, "postal2.ini", Access::Write)) ==
                    InPlace::MountPoint &&
                read("postal2.ini") == kNew && read("postal2.ini.old") == kOld;
            return held && shorter && restored;
        });
    if (outcome == kNoMountNamespace)
        GTEST_SKIP() << "this machine does not allow a mount namespace";
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(managed.read("server.ini"), kNew) << "the mounted file holds the changes";
}

TEST(SaveGameIni, EveryNameOfTheConfigurationSeesTheSave) {
    // Two servers' folders hold one file as hard links.
    TempFolder one, two;
    one.write("postal2.ini", kOld);
    ASSERT_EQ(link((one / "postal2.ini").c_str(), (two / "postal2.ini").c_str()), 0);
    EXPECT_EQ(Add(one.path()).inPlace, InPlace::HardLinked);
    struct stat info;
    ASSERT_EQ(stat((two / "postal2.ini").c_str(), &info), 0);
    EXPECT_EQ(two.read("postal2.ini"), kNew);
    EXPECT_EQ(info.st_nlink, 2u);
    EXPECT_EQ(one.read("postal2.ini.old"), kOld);

    // Docker's -v conf/Postal2.ini:System/Postal2.ini, saved through conf
    // from the host while the container, another mount namespace, runs.
    TempFolder conf, container;
    conf.write("Postal2.ini", kOld);
    container.write("Postal2.ini", "covered by the mount\r\n");
    int ready[2], saved[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(saved), 0);
    int outcome = 0;
    std::thread inside([&] {
        outcome = InMountNamespace({{conf / "Postal2.ini", container / "Postal2.ini"}}, [&] {
            char go;
            return write(ready[1], "r", 1) == 1 && read(saved[0], &go, 1) == 1 &&
                   ReadBytes(container / "Postal2.ini") == kNew;
        });
        close(ready[1]); // a namespace that could not be made wakes the host up
    });
    char mounted;
    InPlace inPlace = InPlace::No;
    if (read(ready[0], &mounted, 1) == 1)
        inPlace = Add(conf.path(), "Postal2.ini").inPlace;
    EXPECT_EQ(write(saved[1], "s", 1), 1);
    inside.join();
    for (int end : {ready[0], saved[0], saved[1]})
        close(end);
    if (outcome == kNoMountNamespace)
        GTEST_SKIP() << "this machine does not allow a mount namespace";
    EXPECT_EQ(inPlace, InPlace::MountSource);
    EXPECT_EQ(outcome, 0) << "the container reads the saved configuration";
    EXPECT_EQ(conf.read("postal2.ini.old"), kOld);
}

TEST(SaveGameIni, AFullDiskTwiceInARowLeavesTheConfigurationAndItsBackupWhole) {
    // Each file in whole pages of 4 KiB, so that the tmpfs of 64 KiB is full
    // to the byte and any larger configuration needs room it does not have.
    std::string configuration = CrLf({"[Engine.GameEngine]", "ServerPackages=Old"});
    configuration.resize(6 * 4096, ';');
    const std::string older = std::string(6 * 4096, '#');
    const std::string filler(4 * 4096, '.');
    const std::string longName(60, 'N');
    auto twice = [&](const std::string& folder, const std::string& expectedError) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            const std::string error = ErrorOf([&] {
                SaveGameIni(LockConfiguration(folder, "postal2.ini", Access::Write),
                            gameini::AddPackages({longName}), SaveMode::WhenChanged);
            });
            if (error.find(expectedError) == std::string::npos)
                return false;
        }
        return true;
    };

    // Replaced: the System folder itself is full.
    TempFolder system;
    int outcome = InMountNamespace((Mounts{{"tmpfs:64k", system.path()}}), [&] {
        system.write("postal2.ini", configuration);
        system.write("postal2.ini.old", older);
        system.write("filler", filler);
        return twice(system.path(), "No space left on device") &&
               system.read("postal2.ini") == configuration &&
               system.read("postal2.ini.old") == older && !system.exists("newp2.ini");
    });
    if (outcome == kNoMountNamespace)
        GTEST_SKIP() << "this machine does not allow a mount namespace";
    EXPECT_EQ(outcome, 0);

    // In place: a file on a full disk, mounted over the configuration.
    TempFolder host, container;
    outcome = InMountNamespace((Mounts{{"tmpfs:64k", host.path()}}), [&] {
        host.write("server.ini", configuration);
        host.write("filler", filler + std::string(6 * 4096, '.'));
        container.write("postal2.ini", "covered\r\n");
        container.write("postal2.ini.old", older);
        return mount((host / "server.ini").c_str(), (container / "postal2.ini").c_str(), nullptr,
                     MS_BIND, nullptr) == 0 &&
               twice(container.path(), "Cannot make room for " + (container / "postal2.ini") +
                                           ": No space left on device") &&
               container.read("postal2.ini") == configuration &&
               container.read("postal2.ini.old") == older && !container.exists("newp2.ini") &&
               !container.exists("postal2.ini.old.new");
    });
    if (outcome == kNoMountNamespace)
        GTEST_SKIP() << "this machine does not allow a mount namespace";
    EXPECT_EQ(outcome, 0);
}

TEST(SaveGameIni, AConfigurationChangedWhileBeingSavedIsLeftAsTheOtherProgramWroteIt) {
    const struct {
        const char* name;
        // What another program writes after the read. Not of the same length:
        // an older kernel may give both writes the same time stamp.
        std::string meanwhile;
    } cases[] = {
        {"grown", kOld + "ServerPackages=Theirs\r\n"},
        {"shrunk", "[Engine.GameEngine]\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        folder.write("postal2.ini", kOld);
        const EditPackages edit = [&](const ConfigurationContents& contents) {
            std::ofstream(folder / "postal2.ini", std::ios::binary | std::ios::in) << c.meanwhile;
            if (c.meanwhile.size() < kOld.size())
                fs::resize_file(folder / "postal2.ini", c.meanwhile.size());
            return gameini::AddPackages({"New"})(contents);
        };
        EXPECT_EQ(ErrorOf([&] {
                      SaveGameIni(LockConfiguration(folder.path(), "postal2.ini", Access::Write),
                                  edit, SaveMode::WhenChanged);
                  }),
                  "Cannot save " + (folder / "postal2.ini") +
                      ": another program changed it while it was being saved, so it was left as "
                      "that program wrote it");
        EXPECT_EQ(folder.read("postal2.ini"), c.meanwhile);
        EXPECT_FALSE(folder.exists("postal2.ini.old"));
    }
}

TEST(SaveGameIni, ALockTakenOnAFileASaveJustReplacedIsTakenOnTheNewFile) {
    // Another program's save ends between this one's open and its lock.
    struct SaveEndsMeanwhile : FileSystem {
        std::string folder;
        bool saved = false;
        bool TryLock(const FileDescriptor& file, Access access, const std::string& path) override {
            if (!std::exchange(saved, true)) {
                WriteBytes(folder + "/newp2.ini", kNew);
                EXPECT_EQ(rename((folder + "/newp2.ini").c_str(), path.c_str()), 0);
            }
            return FileSystem::TryLock(file, access, path);
        }
    };
    TempFolder folder;
    WriteBytes(folder / "Postal2.ini", kOld);
    SaveEndsMeanwhile fileSystem;
    fileSystem.folder = folder.path();
    const LockedConfiguration held =
        LockConfiguration(folder.path(), "postal2.ini", Access::Write, {}, fileSystem);
    const FileDescriptor other{open((folder / "Postal2.ini").c_str(), O_RDONLY | O_CLOEXEC)};
    EXPECT_NE(flock(other.Get(), LOCK_EX | LOCK_NB), 0)
        << "the file under the name is the one held";
}

TEST(FileDescriptor, OwnsOneDescriptorAndClosesWhatItHeldFirst) {
    FileDescriptor first{open("/dev/null", O_RDONLY | O_CLOEXEC)};
    const int held = first.Get();
    FileDescriptor second{open("/dev/null", O_RDONLY | O_CLOEXEC)};
    const int other = second.Get();
    first = std::move(second);
    EXPECT_EQ(fcntl(held, F_GETFD), -1) << "closed when another took its place";
    EXPECT_EQ(first.Get(), other);
    EXPECT_EQ(second.Get(), -1);
    const int released = first.Release();
    EXPECT_EQ(first.Get(), -1);
    EXPECT_NE(fcntl(released, F_GETFD), -1) << "the caller's now";
    close(released);

    // A stranger's file that is no regular file, or too large: damage, not
    // a failed system call.
    TempFolder folder;
    ASSERT_EQ(mkfifo((folder / "pipe.u").c_str(), 0644), 0);
    WriteBytes(folder / "big.u", std::string(100, 'x'));
    for (const char* name : {"pipe.u", "big.u"}) {
        try {
            ReadWholeFile(folder / name, 99);
            ADD_FAILURE() << name << " was read";
        } catch (const DamageError& error) {
            EXPECT_EQ(error.file(), folder / name);
        }
    }
}

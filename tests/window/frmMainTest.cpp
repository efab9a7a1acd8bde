#include "window/frmMain.h"
#include "gameini/ConfigurationContents.h"
#include "gameini/Error.h"
#include "support/TempFolder.h"
#include "support/Unprivileged.h"
#include "window/HandlerGuard.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace window;

namespace {

// Every fake writes what is done to it into one shared log, so that tests can
// check the order of the steps across controls.
using Log = std::vector<std::string>;

struct FakeDriveList : DriveListControl {
    std::string drive = "volume:/";
    std::string Drive() const override { return drive; }
};

struct FakeFolderList : FolderListControl {
    Log& log;
    std::string path;
    std::function<void()> onChange;
    explicit FakeFolderList(Log& log) : log(log) {}
    std::string Path() const override { return path; }
    void SetPath(const std::string& newPath) override {
        log.push_back("folder.SetPath " + newPath);
        path = newPath;
        onChange();
        log.push_back("folder.SetPath returns");
    }
};

struct FakeFileList : FileListControl {
    Log& log;
    std::vector<std::string> names;
    bool unreadable = false;
    explicit FakeFileList(Log& log) : log(log) {}
    void SetPath(const std::string& folder) override {
        log.push_back("files.SetPath " + folder);
        if (unreadable)
            throw gameini::FileError(13, "Cannot list the folder " + folder);
    }
    int ListCount() const override { return static_cast<int>(names.size()); }
    std::string List(int index) const override { return names.at(index); }
};

struct FakeListBox : ListBoxControl {
    Log& log;
    std::vector<std::pair<std::string, bool>> entries;
    explicit FakeListBox(Log& log) : log(log) {}
    void Clear() override {
        log.push_back("list.Clear");
        entries.clear();
    }
    void AddItem(const std::string& text) override { entries.emplace_back(text, false); }
    int ListCount() const override { return static_cast<int>(entries.size()); }
    std::string List(int index) const override { return entries.at(index).first; }
    bool Selected(int index) const override { return entries.at(index).second; }
    void SetSelected(int index, bool ticked) override { entries.at(index).second = ticked; }
    std::vector<std::string> Ticked() const {
        std::vector<std::string> ticked;
        for (const auto& [text, on] : entries)
            if (on)
                ticked.push_back(text);
        return ticked;
    }
};

struct FakeMessageBox : MessageBoxControl {
    std::vector<std::string> shown;
    void Show(const std::string& text) override { shown.push_back(text); }
};

class Handlers : public ::testing::Test {
protected:
    Handlers() {
        folderList.path = folder.path();
        folderList.onChange = [this] { form.dirP2SysFolder_Change(); };
        fileList.names = {"AWPStuff.u", "Core.u", "Engine.u", "Fire.u", "MyMod.U"};
    }

    TempFolder folder;
    Log log;
    FakeDriveList driveList;
    FakeFolderList folderList{log};
    FakeFileList fileList{log};
    FakeListBox listBox{log};
    FakeMessageBox messageBox;
    frmMain form{driveList, folderList, fileList, listBox, messageBox};
};

const std::string kConfig =
    CrLf({"[Engine.GameEngine]", "ServerPackages=engine", "ServerPackages=CORE",
          "ServerPackages=Missing", "ServerPackages=Engine", "ServerPackages=mymod"});

} // namespace

TEST_F(Handlers, StartUpInASystemFolderFillsAndMarksTheList) {
    folder.write("Postal2.ini", kConfig);
    form.Form_Load();
    EXPECT_EQ(listBox.ListCount(), 5);
    EXPECT_EQ(listBox.List(4), "MyMod.U") << "the file list's order and letter case";
    EXPECT_EQ(listBox.Ticked(), (std::vector<std::string>{"Core.u", "Engine.u", "MyMod.U"}));
    EXPECT_EQ(log.front(), "files.SetPath " + folder.path());
    EXPECT_TRUE(messageBox.shown.empty());
}

TEST_F(Handlers, StartUpElsewhereLeavesTheListEmptyAndSaysNothing) {
    form.Form_Load();
    EXPECT_EQ(listBox.ListCount(), 0);
    EXPECT_EQ(log.front(), "files.SetPath " + folder.path());
    EXPECT_TRUE(messageBox.shown.empty());

    std::filesystem::create_directory(folder / "postal2.ini");
    form.Form_Load();
    EXPECT_EQ(listBox.ListCount(), 0)
        << "a configuration that cannot be opened is no System folder";

    std::filesystem::remove(folder / "postal2.ini");
    folder.write("postal2.ini", kConfig);
    std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
    std::filesystem::permissions(folder / "postal2.ini", std::filesystem::perms::none);
    EXPECT_TRUE(RunUnprivileged([&] {
        try {
            form.Form_Load();
            return false;
        } catch (const gameini::FileError& error) {
            return error.number() == EACCES && listBox.ListCount() == 0;
        }
    })) << "one that cannot be read is reported, not passed over";
}

TEST_F(Handlers, OpeningAFolderWithoutTheConfigurationLeavesAnEmptyList) {
    folder.write("postal2.ini", kConfig);
    form.Form_Load();
    ASSERT_EQ(listBox.ListCount(), 5);
    TempFolder other;
    folderList.path = other.path();
    form.dirP2SysFolder_Change();
    EXPECT_EQ(listBox.ListCount(), 0) << "else Save would write the old folder's ticks";
}

TEST_F(Handlers, RevertReplacesTheUsersMarksWithTheFiles) {
    folder.write("postal2.ini", kConfig);
    form.Form_Load();
    listBox.SetSelected(0, true);
    listBox.SetSelected(2, false);
    fileList.names.push_back("Late.u"); // listed since; Revert uses the list as it is
    form.cbRevert_Click();
    EXPECT_EQ(listBox.Ticked(), (std::vector<std::string>{"Core.u", "Engine.u", "MyMod.U"}));
    EXPECT_EQ(listBox.ListCount(), 6);
}

TEST_F(Handlers, AFailedHandlerLeavesNoHalfLoadedList) {
    folder.write("postal2.ini", kConfig);
    form.Form_Load();
    std::filesystem::remove(folder / "postal2.ini");
    EXPECT_THROW(form.cbRevert_Click(), gameini::FileError);
    EXPECT_EQ(listBox.ListCount(), 0) << "else Save could empty a configuration restored later";

    folder.write("postal2.ini", kConfig);
    form.Form_Load();
    fileList.unreadable = true; // the folder moved, then its files could not be listed
    EXPECT_THROW(form.dirP2SysFolder_Change(), gameini::FileError);
    EXPECT_EQ(listBox.ListCount(), 0);
    form.cbSave_Click();
    EXPECT_EQ(messageBox.shown, (std::vector<std::string>{"Please locate Postal2 System Folder"}));
}

TEST_F(Handlers, ADriveChangeRunsTheFolderChangeInsideThenEmptiesTheList) {
    folder.write("postal2.ini", kConfig);
    driveList.drive = folder.path();
    form.driveP2Drive_Change();
    EXPECT_EQ(log, (Log{"folder.SetPath " + folder.path(), "files.SetPath " + folder.path(),
                        "list.Clear", "list.Clear", "folder.SetPath returns", "list.Clear"}));
    EXPECT_EQ(listBox.ListCount(), 0);
}

TEST_F(Handlers, SaveWithAnEmptyListOnlyAsksForTheFolder) {
    folder.write("postal2.ini", kConfig);
    form.cbSave_Click();
    EXPECT_EQ(messageBox.shown, (std::vector<std::string>{"Please locate Postal2 System Folder"}));
    EXPECT_EQ(folder.read("postal2.ini"), kConfig);
    EXPECT_FALSE(folder.exists("newp2.ini"));
    EXPECT_FALSE(folder.exists("postal2.ini.old"));
}

TEST_F(Handlers, SaveWritesTheTickedEntriesInListOrder) {
    folder.write("postal2.ini", kConfig);
    form.Form_Load();
    listBox.SetSelected(0, true);
    listBox.SetSelected(2, false);
    form.cbSave_Click();
    EXPECT_EQ(messageBox.shown,
              (std::vector<std::string>{
                  "Changes saved to postal2.ini.\r\nBackup saved as postal2.ini.old"}));
    EXPECT_EQ(folder.read("Postal2.ini"),
              CrLf({"[Engine.GameEngine]", "ServerPackages=AWPStuff", "ServerPackages=Core",
                    "ServerPackages=MyMod", "ServerPackages=Missing"}));
    EXPECT_EQ(folder.read("postal2.ini.old"), kConfig);
    EXPECT_EQ(listBox.Ticked(), (std::vector<std::string>{"AWPStuff.u", "Core.u", "MyMod.U"}))
        << "the marks stay as they are";
}

TEST_F(Handlers, SaveKeepsThePackagesTheListCannotShow) {
    using Lines = std::vector<std::string>;
    const struct {
        const char* name;
        Lines configured; // ServerPackages= values
        std::vector<std::pair<int, bool>> ticks;
        Lines saved;
    } cases[] = {
        {"sounds and a Workshop mod, nothing changed",
         {"BaseDialog", "Engine", "CoopMod", "Core", "AmbientSounds"},
         {},
         {"Core", "Engine", "BaseDialog", "CoopMod", "AmbientSounds"}},
        {"unticking a listed package removes exactly that one",
         {"BaseDialog", "Engine", "Core"},
         {{1, false}},
         {"Engine", "BaseDialog"}},
        {"a kept name configured twice, once in capitals, is kept once",
         {"Gone", "Engine", "GONE"},
         {},
         {"Engine", "Gone"}},
        {"a name with a trailing blank marks nothing and is kept as written",
         {"Fire ", "Core"},
         {},
         {"Core", "Fire "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Lines config{"[Engine.GameEngine]"};
        for (const std::string& name : c.configured)
            config.push_back("ServerPackages=" + name);
        folder.write("postal2.ini", CrLf(config));
        form.Form_Load();
        for (auto [row, ticked] : c.ticks)
            listBox.SetSelected(row, ticked);
        form.cbSave_Click();
        Lines expected{"[Engine.GameEngine]"};
        for (const std::string& name : c.saved)
            expected.push_back("ServerPackages=" + name);
        EXPECT_EQ(folder.read("Postal2.ini"), CrLf(expected));
        std::filesystem::remove(folder / "Postal2.ini");
    }
}

TEST_F(Handlers, TheCommandLineLeavesTheListTheWindowLeaves) {
    // The window writes its block after the header, the command line edits
    // in place: the lines differ on purpose, the lists do not.
    const std::string config =
        "; a server\n" +
        CrLf({"[Engine.GameEngine]", "CacheSizeMegs=32", "ServerPackages=core",
              "ServerPackages=BaseDialog", "ServerPackages=CoopMod", "[Last]"}) +
        "x";
    TempFolder other;
    folder.write("postal2.ini", config);
    other.write("postal2.ini", config);
    form.Form_Load();
    listBox.SetSelected(2, true); // Engine.u
    form.cbSave_Click();
    const std::string command = std::string(SARVELIN_CLI) + " -C '" + other.path() +
                                "' set Core.u Engine.u BaseDialog CoopMod >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    auto names = [](const TempFolder& saved) {
        std::vector<std::string> names;
        for (const auto& package :
             gameini::ReadConfiguration(saved.path() + "/postal2.ini").configured)
            names.push_back(package.name);
        return names;
    };
    EXPECT_EQ(names(other), names(folder));
    EXPECT_EQ(other.read("postal2.ini.old"), config);
}

TEST_F(Handlers, SaveAppliesOnlyTheUsersTicksToTheFileAsItIsNow) {
    // Another program saves between the window's load and its Save.
    const struct {
        const char* name;
        const char* meanwhile; // sarvelin-cli's words
        std::vector<std::pair<int, bool>> ticks;
        std::vector<std::string> saved;
    } cases[] = {
        {"nothing clicked", "add Fire BaseDialog", {}, {"Core", "Fire", "BaseDialog"}},
        {"a tick of the user's beside another's remove",
         "remove Core",
         {{0, true}},
         {"AWPStuff", "Engine"}},
        {"the user's untick beside another's add", "add Fire", {{2, false}}, {"Core", "Fire"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        folder.write("postal2.ini", CrLf({"[Engine.GameEngine]", "ServerPackages=Core",
                                          c.ticks.empty() ? "" : "ServerPackages=Engine"}));
        form.Form_Load();
        for (auto [row, ticked] : c.ticks)
            listBox.SetSelected(row, ticked);
        const std::string command = std::string(SARVELIN_CLI) + " -q -C '" + folder.path() + "' " +
                                    c.meanwhile + " >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        form.cbSave_Click();
        EXPECT_EQ(gameini::NamesOf(gameini::ReadConfiguration(folder / "Postal2.ini").configured),
                  c.saved);
        EXPECT_EQ(messageBox.shown.back(),
                  "Changes saved to postal2.ini.\r\nBackup saved as postal2.ini.old\r\nChanges "
                  "another program saved meanwhile were kept.");
        form.cbRevert_Click();
        const std::vector<std::string> shown = listBox.Ticked();
        form.cbSave_Click();
        EXPECT_EQ(listBox.Ticked(), shown) << "the list shows the file as saved";
        std::filesystem::remove(folder / "Postal2.ini");
    }
}

TEST_F(Handlers, SaveRefusesWhileTheGameRunsWithTheConfiguration) {
    folder.write("postal2.ini", kConfig);
    form.Form_Load();
    listBox.SetSelected(0, true);
    const pid_t game = fork();
    if (game == 0) {
        if (chdir(folder.path().c_str()) == 0)
            execl("/bin/sleep", "postal2-bin", "60", nullptr);
        _exit(127);
    }
    usleep(200 * 1000);
    form.cbSave_Click();
    kill(game, SIGKILL);
    waitpid(game, nullptr, 0);
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0], "postal2-bin (pid " + std::to_string(game) +
                                       ") is running with " + folder.path() +
                                       "/postal2.ini: its working folder is the configuration's "
                                       "folder. The game writes its whole configuration back "
                                       "when it quits, so this change would be lost. Quit it "
                                       "first, then save again.");
    EXPECT_EQ(folder.read("postal2.ini"), kConfig);
    EXPECT_FALSE(folder.exists("postal2.ini.old"));
}

TEST_F(Handlers, SaveWithASingleEntrySaves) {
    folder.write("postal2.ini", kConfig);
    fileList.names = {"Core.u"};
    form.Form_Load();
    form.cbSave_Click();
    EXPECT_EQ(messageBox.shown.size(), 1u);
    EXPECT_TRUE(folder.exists("postal2.ini.old"));
}

TEST_F(Handlers, SaveRefusesTwoConfigurationsDifferingInLetterCase) {
    folder.write("Postal2.ini", CrLf({"[Engine.GameEngine]", "ServerPackages=Fire"}));
    folder.write("postal2.ini", kConfig);
    form.Form_Load();
    EXPECT_EQ(listBox.Ticked(), std::vector<std::string>{"Fire.u"}) << "the file the game reads";
    try {
        form.cbSave_Click();
        ADD_FAILURE() << "saved";
    } catch (const gameini::ConfigurationError& error) {
        EXPECT_STREQ(error.what(), "Two configuration files differ only in letter case: "
                                   "Postal2.ini and postal2.ini. Remove or rename the one the "
                                   "game does not use, then save again.");
    }
    EXPECT_EQ(folder.read("postal2.ini"), kConfig);
    EXPECT_FALSE(folder.exists("newp2.ini"));
    EXPECT_EQ(listBox.Ticked(), std::vector<std::string>{"Fire.u"}) << "the ticks stay";
}

TEST_F(Handlers, SaveRefusesToGiveTheConfigurationToAnotherOwner) {
    if (geteuid() != 0)
        GTEST_SKIP() << "a file of another owner needs root to make";
    folder.write("postal2.ini", kConfig); // root's, in a folder anyone may write
    std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
    EXPECT_TRUE(RunUnprivileged([&] {
        form.Form_Load();
        try {
            form.cbSave_Click();
        } catch (const gameini::OwnershipError& error) {
            return std::string(error.what()) ==
                       "postal2.ini belongs to root:root; saving it as nobody would give it to "
                       "nobody:nogroup: run as root" &&
                   listBox.Ticked().size() == 3;
        }
        return false;
    }));
    EXPECT_EQ(folder.read("postal2.ini"), kConfig);
    EXPECT_FALSE(folder.exists("newp2.ini"));
}

TEST_F(Handlers, AFailedSaveIsNeverReportedAsSuccess) {
    folder.write("postal2.ini", kConfig);
    form.Form_Load();
    std::filesystem::remove(folder / "postal2.ini");
    EXPECT_THROW(form.cbSave_Click(), gameini::FileError);
    EXPECT_TRUE(messageBox.shown.empty());
    EXPECT_FALSE(folder.exists("newp2.ini"));
}

TEST(HandlerGuard, ReportsTheOutermostErrorAndLetsNestedOnesTravel) {
    FakeMessageBox messageBox;
    HandlerGuard guard(messageBox);
    std::vector<std::string> steps;
    guard.Run([&] {
        guard.Run([&] {
            throw gameini::FileError(2, "Cannot open x for reading: No such file or directory");
        });
        steps.push_back("the outer handler went on");
    });
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(messageBox.shown,
              (std::vector<std::string>{
                  "Error 2: Cannot open x for reading: No such file or directory"}));
    guard.Run([&] { steps.push_back("the next handler runs"); });
    EXPECT_EQ(steps.size(), 1u);
    guard.Run([] { throw 42; });
    ASSERT_EQ(messageBox.shown.size(), 2u);
    EXPECT_EQ(messageBox.shown.back(), "Error 22: Unknown error")
        << "not even a stray throw gets past";
    guard.Run([] { throw gameini::ConfigurationError("Two configuration files differ"); });
    EXPECT_EQ(messageBox.shown.back(), "Two configuration files differ")
        << "no made-up number where no system call failed";
}

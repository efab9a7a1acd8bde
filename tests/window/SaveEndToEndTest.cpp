#include "support/ModalAnswer.h"
#include "support/TempFolder.h"
#include "support/WindowFixture.h"
#include "window/qt/MainWindow.h"
#include "window/qt/PackageListBox.h"

#include "gameini/FileDescriptor.h"

#include <QPushButton>
#include <QTest>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/file.h>
#include <unistd.h>

using namespace window;

// The user's whole path through a save: the real window in a System folder,
// rows clicked with the mouse, Save pressed, the message answered, and the
// files compared byte for byte.

namespace {

const char* const kSaved =
    "Sarvelin|Changes saved to postal2.ini.\nBackup saved as postal2.ini.old|1 button|icon 0";
const char* const kLocate = "Sarvelin|Please locate Postal2 System Folder|1 button|icon 0";

const std::string kConfig =
    CrLf({"; server settings", "[URL]", "Port=7777", "[Engine.GameEngine]", "CacheSizeMegs=32",
          "ServerActors=IpDrv.UdpBeacon", "ServerPackages=Engine", "ServerPackages=Gone",
          "ServerPackages=Core", "ServerPackages =NotAKey", "", "[Editor.EditorEngine]",
          "EditPackages=Core"});

std::string Expected(std::initializer_list<const char*> packageLines) {
    std::string text = CrLf({"; server settings", "[URL]", "Port=7777", "[Engine.GameEngine]"});
    for (const char* line : packageLines)
        text += std::string(line) + "\r\n";
    return text +
           CrLf({"CacheSizeMegs=32", "ServerActors=IpDrv.UdpBeacon", "ServerPackages =NotAKey", "",
                 "[Editor.EditorEngine]", "EditPackages=Core"});
}

class SaveEndToEnd : public WindowFixture {
protected:
    std::set<std::string> FilesBesidePackages() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(system.path()))
            if (entry.path().extension() != ".u")
                names.insert(entry.path().filename().string());
        return names;
    }
};

using Files = std::set<std::string>;

} // namespace

TEST_F(SaveEndToEnd, UnchangedMarksComeOutInListOrder) {
    system.write("postal2.ini", kConfig);
    Open();
    EXPECT_EQ(Press("cbSave"), QStringList{kSaved});
    EXPECT_EQ(FilesBesidePackages(), (Files{"Postal2.ini", "postal2.ini.old"}));
    EXPECT_EQ(system.read("Postal2.ini"),
              Expected({"ServerPackages=Core", "ServerPackages=Engine", "ServerPackages=Gone"}))
        << "Gone has no package file here, so the list cannot show it: it is kept";
    EXPECT_EQ(system.read("postal2.ini.old"), kConfig);
}

TEST_F(SaveEndToEnd, TogglesAndRevertReachTheFile) {
    system.write("postal2.ini", kConfig);
    Open();
    ClickRow(3); // Fire on
    ClickRow(2); // Engine off
    EXPECT_EQ(Press("cbSave"), QStringList{kSaved});
    EXPECT_EQ(system.read("Postal2.ini"),
              Expected({"ServerPackages=Core", "ServerPackages=Fire", "ServerPackages=Gone"}));

    ClickRow(0);
    EXPECT_TRUE(Press("cbRevert").isEmpty());
    EXPECT_EQ(Press("cbSave"), QStringList{kSaved}) << "Revert dropped the unsaved mark";
    EXPECT_EQ(system.read("Postal2.ini"),
              Expected({"ServerPackages=Core", "ServerPackages=Fire", "ServerPackages=Gone"}));
    EXPECT_EQ(system.read("postal2.ini.old"),
              Expected({"ServerPackages=Core", "ServerPackages=Fire", "ServerPackages=Gone"}))
        << "the second backup is the first result";
}

TEST_F(SaveEndToEnd, NoneTickedLeavesTheSectionWithoutPackages) {
    system.write("postal2.ini", kConfig);
    Open();
    ClickRow(1);
    ClickRow(2);
    EXPECT_EQ(Press("cbSave"), QStringList{kSaved});
    EXPECT_EQ(system.read("Postal2.ini"), Expected({"ServerPackages=Gone"}));
}

TEST_F(SaveEndToEnd, AnEmptyListTouchesNoFile) {
    Open(); // no configuration yet: the list is empty
    system.write("postal2.ini", kConfig);
    EXPECT_EQ(Press("cbSave"), QStringList{kLocate});
    EXPECT_EQ(FilesBesidePackages(), Files{"postal2.ini"});
    EXPECT_EQ(system.read("postal2.ini"), kConfig);
}

TEST_F(SaveEndToEnd, AConfigurationWithoutTheSectionIsCopied) {
    const std::string noSection = "[URL]\r\nServerPackages=Elsewhere\r\nlast line";
    system.write("postal2.ini", noSection);
    Open();
    ClickRow(0);
    EXPECT_EQ(Press("cbSave"), QStringList{kSaved});
    EXPECT_EQ(system.read("Postal2.ini"), noSection) << "still without a last line end";
}

TEST_F(SaveEndToEnd, AFailedSaveReportsTheErrorAndKeepsTheMarks) {
    system.write("postal2.ini", kConfig);
    Open();
    ClickRow(0);
    std::filesystem::create_directory(system / "postal2.ini.old"); // the backup name stays taken
    QStringList texts = Press("cbSave");
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith("Sarvelin|Error 21: Cannot rename")) << texts[0].toStdString();
    EXPECT_TRUE(texts[0].contains("postal2.ini.old: Is a directory")) << texts[0].toStdString();
    EXPECT_EQ(system.read("postal2.ini"), kConfig);
    EXPECT_FALSE(system.exists("newp2.ini"));
    EXPECT_TRUE(packages->Selected(0));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(SaveEndToEnd, WhileAnotherProgramSavesNothingIsWritten) {
    system.write("postal2.ini", kConfig);
    Open();
    ClickRow(0);
    // Another program's save, as the command line holds it.
    const gameini::FileDescriptor other{open((system / "postal2.ini").c_str(), O_RDONLY)};
    ASSERT_EQ(flock(other.Get(), LOCK_EX), 0);
    QStringList texts = Press("cbSave");
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith(QString::fromStdString("Sarvelin|Another program is saving " +
                                                           (system / "postal2.ini") + " (pid " +
                                                           std::to_string(getpid()) + ", ")))
        << texts[0].toStdString();
    EXPECT_TRUE(texts[0].endsWith(". Try again once it has finished.|1 button|icon 0"))
        << texts[0].toStdString();
    EXPECT_EQ(FilesBesidePackages(), Files{"postal2.ini"});
    EXPECT_EQ(system.read("postal2.ini"), kConfig);
    EXPECT_TRUE(packages->Selected(0)) << "the marks wait for the next try";
}

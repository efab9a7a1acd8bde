#include "window/qt/MainWindow.h"
#include "support/ModalAnswer.h"
#include "support/TempFolder.h"
#include "support/WindowFixture.h"
#include "window/Layout.h"
#include "window/qt/DriveListBox.h"
#include "window/qt/FileListBox.h"
#include "window/qt/FolderListBox.h"
#include "window/qt/PackageListBox.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace window;

namespace {

const std::string kConfig = CrLf(
    {"[URL]", "Port=7777", "[engine.gameengine]", "ServerActors=IpDrv.UdpBeacon",
     "ServerPackages=Core", "ServerPackages=Engine", "[Editor.EditorEngine]", "EditPackages=Core"});

using RealWindow = WindowFixture;
using Names = std::vector<std::string>;

} // namespace

TEST_F(RealWindow, StartsInTheSystemFolderWithTheConfiguredPackagesTicked) {
    system.write("postal2.ini", kConfig);
    Open();
    EXPECT_EQ(folders->Path(), system.path());
    EXPECT_EQ(packages->ListCount(), 4);
    EXPECT_EQ(Ticked(), (Names{"Core.u", "Engine.u"}));
    EXPECT_EQ(window->focusWidget(), packages) << "focus starts on the package list";
}

TEST_F(RealWindow, AClickOrSpaceTogglesARow) {
    system.write("postal2.ini", kConfig);
    Open();
    ClickRow(0);
    ClickRow(1);
    EXPECT_EQ(Ticked(), (Names{"AWPStuff.u", "Engine.u"}));
    packages->setCurrentIndex(packages->model()->index(3, 0));
    QTest::keyClick(packages, Qt::Key_Space);
    EXPECT_EQ(Ticked(), (Names{"AWPStuff.u", "Engine.u", "Fire.u"}));
    QTest::keyClick(packages, Qt::Key_Home);
    QTest::keyClick(packages, Qt::Key_Space);
    EXPECT_EQ(Ticked(), (Names{"Engine.u", "Fire.u"}));

    Press("cbRevert");
    EXPECT_EQ(Ticked(), (Names{"Core.u", "Engine.u"}));
}

TEST_F(RealWindow, WritingTheFolderPathNotifiesOnceAndOnlyOnAChange) {
    std::filesystem::create_directory(system / "Other");
    system.write("Other/postal2.ini", kConfig);
    system.write("Other/Core.u", "");
    Open();
    int notifications = 0;
    auto handler = folders->onChange;
    folders->onChange = [&] {
        ++notifications;
        handler();
    };
    folders->SetPath(system / "Other");
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(Ticked(), (Names{"Core.u"})) << "the handler ran inside the write";
    ClickRow(0);
    folders->SetPath(system / "Other"); // opening the current folder again
    EXPECT_EQ(notifications, 1);
    EXPECT_TRUE(Ticked().empty()) << "the unsaved untick stays";
}

TEST_F(RealWindow, OpeningAFolderMovesTheFileList) {
    std::filesystem::create_directory(system / "Sub");
    system.write("Sub/Inner.u", "");
    Open();
    QListWidgetItem* sub = folders->findItems("Sub", Qt::MatchExactly).value(0);
    ASSERT_NE(sub, nullptr);
    // A double click as the mouse sends it: a click, then the second press.
    const QPoint at = folders->visualItemRect(sub).center();
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(folders->Path(), system / "Sub");
    auto* files = window->findChild<FileListBox*>("fbUFiles");
    EXPECT_EQ(files->ListCount(), 1);
    EXPECT_EQ(files->List(0), "Inner.u");

    folders->setCurrentRow(0); // the root, by the keyboard
    QTest::keyClick(folders, Qt::Key_Return);
    EXPECT_EQ(folders->Path(), "/");
}

TEST_F(RealWindow, AnErrorIsReportedAndTheWindowStaysUsable) {
    Open(); // no postal2.ini: the list starts empty
    QStringList texts = Press("cbRevert");
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(texts[0].toStdString(),
              "Sarvelin|Error 2: Cannot open " + (system / "postal2.ini") +
                  " for reading: No such file or directory|1 button|icon 0");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(packages->ListCount(), 0) << "no half-loaded list for Save to write";
    EXPECT_TRUE(Press("cbSave").value(0).contains("Please locate Postal2 System Folder"));
    system.write("postal2.ini", kConfig);
    Press("cbRevert");
    EXPECT_EQ(Ticked(), (Names{"Core.u", "Engine.u"}));
}

TEST_F(RealWindow, ChoosingADriveEmptiesTheListAndRemembersTheFolder) {
    system.write("postal2.ini", kConfig);
    std::filesystem::create_directories(home / ".lgp/postal2/System");
    home.write(".lgp/postal2/System/postal2.ini", kConfig);
    home.write(".lgp/postal2/System/Core.u", "");
    Open();
    int install = drives->findText("POSTAL 2 – postal2 (Linux port, ~/.lgp)");
    ASSERT_GE(install, 0);
    drives->setCurrentIndex(install);
    EXPECT_EQ(folders->Path(), home / ".lgp/postal2/System");
    EXPECT_EQ(packages->ListCount(), 0) << "emptied after a drive change; Revert loads it";
    Press("cbRevert");
    EXPECT_EQ(Ticked(), (Names{"Core.u"}));
}

TEST_F(RealWindow, AVolumeThatCannotBeReadIsReportedAndNothingMoves) {
    system.write("postal2.ini", kConfig);
    Open();
    drives->addItem("gone", QByteArray::fromStdString("volume:" + (system / "gone")));
    ModalAnswer answer;
    drives->setCurrentIndex(drives->count() - 1);
    ASSERT_EQ(answer.texts().size(), 1);
    EXPECT_EQ(answer.texts()[0].toStdString(), "Sarvelin|Error 2: Cannot open the volume " +
                                                   (system / "gone") +
                                                   ": No such file or directory|1 button|icon 0");
    EXPECT_EQ(folders->Path(), system.path());
    EXPECT_EQ(packages->ListCount(), 0) << "a failed handler leaves the list empty";
}

TEST_F(RealWindow, AtTheDepthOfASteamInstallEveryFolderReadsInFull) {
    const std::string deep = home / "a/.local/share/Steam/steamapps/common/POSTAL2Complete/x/y/z";
    std::filesystem::create_directories(deep + "/System");
    system.write("postal2.ini", kConfig);
    Open();
    folders->SetPath(deep + "/System"); // twelve or more levels below the root
    QListWidgetItem* current = folders->currentItem();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->text(), "System");
    EXPECT_EQ(current->toolTip().toStdString(), deep + "/System");
    const QModelIndex index = folders->indexFromItem(current);
    const int needed = folders->itemDelegate()->sizeHint(QStyleOptionViewItem(), index).width();
    EXPECT_LE(needed, folders->viewport()->width()) << "System is readable without scrolling";
    EXPECT_TRUE(folders->viewport()->rect().intersects(folders->visualItemRect(current)))
        << "the current folder is in view";
    for (int i = 0; i < drives->count(); ++i)
        EXPECT_FALSE(drives->itemData(i, Qt::ToolTipRole).toString().isEmpty()) << "a full path";
    EXPECT_EQ(drives->currentData().toByteArray().toStdString(), "volume:/")
        << "outside every install the drive list shows the folder's volume";
    EXPECT_EQ(drives->findData(QByteArray("volume:/outside/this/root")), -1)
        << "a mount point outside this process's root is left out";
}

TEST(DriveEntries, OfferTheVolumesThisProcessCanSee) {
    TempFolder usb, tmpfs, home;
    const struct {
        const char* name;
        std::vector<Volume> table;
        std::string start;
        std::vector<std::string> designations; // in order
    } cases[] = {
        {"a full machine",
         {{"/", "", "/dev/sda1"},
          {QString::fromStdString(usb.path()), "GAMES", "/dev/sdb1"},
          {QString::fromStdString(tmpfs.path()), "", "tmpfs"},
          {"/proc", "", "proc"}},
         usb.path(),
         {"volume:/", "volume:" + usb.path()}},
        {"the start folder on a volume no drive list shows",
         {{"/", "", "/dev/sda1"}, {QString::fromStdString(tmpfs.path()), "", "tmpfs"}},
         tmpfs.path() + "/System",
         {"volume:/", "volume:" + tmpfs.path()}},
        {"a chroot: the table names mount points outside its root",
         {{"/srv/chroot", "", "/dev/sda1"}, {"/srv/chroot/proc", "", "proc"}},
         usb.path(),
         {"volume:/"}},
        {"an empty table", {}, usb.path(), {"volume:/"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> designations;
        for (const DriveEntry& entry : DriveEntries(c.table, c.start, home.path())) {
            designations.push_back(entry.designation);
            EXPECT_FALSE(entry.shown.isEmpty() || entry.path.isEmpty()) << c.name;
        }
        EXPECT_EQ(designations, c.designations) << c.name;
    }
}

TEST_F(RealWindow, ListsCarryTheirHeadingsAsAccessibleNames) {
    Open();
    const std::pair<const char*, const char*> names[] = {
        {"driveP2Drive", "P2 System Folder: drives"},
        {"dirP2SysFolder", "P2 System Folder: folders"},
        {"fbUFiles", "P2 System Folder: package files"},
        {"lbServerPackages", "Postal 2 Server Packages"},
    };
    for (const auto& [control, name] : names)
        EXPECT_EQ(window->findChild<QWidget*>(control)->accessibleName(), name) << control;
}

TEST_F(RealWindow, ANameCutOffShowsInFullAsATooltip) {
    const std::string longName = "AVeryLongPackageNameThatNoListOfThisWidthCanShow.u";
    system.write(longName, "");
    system.write("postal2.ini", kConfig);
    Open();
    auto toolTipAt = [](QAbstractItemView* view, int row) {
        const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &help);
        QApplication::processEvents();
        return QToolTip::text().toStdString();
    };
    auto* files = window->findChild<FileListBox*>("fbUFiles");
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(packages), static_cast<QAbstractItemView*>(files)}) {
        EXPECT_NE(toolTipAt(view, 1), "AWPStuff.u") << "a name shown in full has no tooltip";
        EXPECT_EQ(toolTipAt(view, 0), longName) << view->objectName().toStdString();
    }
}

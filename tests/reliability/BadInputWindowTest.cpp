#include "support/ModalAnswer.h"
#include "support/WindowFixture.h"
#include "window/qt/FileListBox.h"

#include <QListWidget>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace window;

// The window meeting bad input: every case ends in a clear message or goes
// through, nothing on disk is lost, and the window stays usable.

namespace {

const std::string kConfig = CrLf({"[Engine.GameEngine]", "ServerPackages=Core"});

using BadInputWindow = WindowFixture;

} // namespace

TEST_F(BadInputWindow, AFifoAsConfigurationNeitherHangsNorLoads) {
    ASSERT_EQ(mkfifo((system / "postal2.ini").c_str(), 0644), 0);
    Open();
    EXPECT_EQ(packages->ListCount(), 0);
    QStringList texts = Press("cbRevert");
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].contains("postal2.ini for reading: it is not a regular file"))
        << texts[0].toStdString();
    texts = Press("cbSave"); // the failed Revert left the list empty
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].contains("Please locate")) << texts[0].toStdString();
    EXPECT_FALSE(system.exists("newp2.ini"));
}

TEST_F(BadInputWindow, APackageNameTheFileCannotStoreIsRefused) {
    const struct {
        const char* file;
        const char* error;
    } cases[] = {
        {"Жара.u", "Жара.u: the character \"Ж\" cannot be stored in this configuration file "
                   "(Windows-1252)"},
        {"\xFF"
         "bad.u",
         "bad.u: the byte 0xFF (not valid UTF-8) cannot be stored in this configuration file"},
        {"two\nlines.u", "lines.u: it holds a line break"},
    };
    system.write("postal2.ini", kConfig);
    for (const auto& c : cases)
        system.write(c.file, "");
    Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        for (int row = 0; row < packages->ListCount(); ++row)
            packages->SetSelected(row, packages->List(row) == c.file);
        QStringList texts = Press("cbSave");
        ASSERT_EQ(texts.size(), 1);
        EXPECT_TRUE(texts[0].contains(c.error)) << texts[0].toStdString();
        EXPECT_EQ(system.read("postal2.ini"), kConfig);
        EXPECT_FALSE(system.exists("postal2.ini.old"));
        EXPECT_FALSE(system.exists("newp2.ini")) << "refused before the work file";
    }
    for (int row = 0; row < packages->ListCount(); ++row)
        packages->SetSelected(row, packages->List(row) == "Core.u");
    EXPECT_TRUE(Press("cbSave")[0].contains("Changes saved")) << "the window goes on working";
}

TEST_F(BadInputWindow, FoldersWithOddNamesOpenAndList) {
    for (const std::string name : {"line\nbreak", "bad\xFF"
                                                  "name"}) {
        SCOPED_TRACE(name);
        std::filesystem::create_directory(system / name);
        WriteBytes(system / name + "/Inner.u", "");
    }
    Open();
    auto* files = window->findChild<FileListBox*>("fbUFiles");
    for (const std::string name : {"line\nbreak", "bad\xFF"
                                                  "name"}) {
        folders->SetPath(system.path());
        QListWidgetItem* item = nullptr;
        for (int row = 0; row < folders->count(); ++row)
            if (folders->item(row)->data(Qt::UserRole).toByteArray().toStdString() == system / name)
                item = folders->item(row);
        ASSERT_NE(item, nullptr) << "listed";
        emit folders->itemActivated(item);
        EXPECT_EQ(folders->Path(), system / name);
        EXPECT_EQ(files->ListCount(), 1);
    }
}

TEST_F(BadInputWindow, AHundredThousandPackagesAreListedAndTicked) {
    std::string config = "[Engine.GameEngine]\r\n";
    for (int i = 0; i < 100000; ++i) {
        std::string name = "P" + std::to_string(i);
        int fd = open((system / name + ".u").c_str(), O_CREAT | O_WRONLY, 0644);
        close(fd);
        if (i % 2 == 0)
            config += "ServerPackages=" + name + "\r\n";
    }
    system.write("postal2.ini", config);
    Open();
    EXPECT_EQ(packages->ListCount(), 100004);
    EXPECT_EQ(Ticked().size(), 50000u);
}

TEST_F(BadInputWindow, AHalfCharacterAtTheEndOfAUtf16ConfigurationIsReportedAtStart) {
    system.write("postal2.ini", std::string("\xFF\xFE[\0U\0]\0\r\0\n\0x", 13));
    ModalAnswer answer;
    Open();
    ASSERT_EQ(answer.texts().size(), 1);
    EXPECT_TRUE(answer.texts()[0].contains(
        "postal2.ini: it starts as UTF-16 but has an odd number of bytes"))
        << answer.texts()[0].toStdString();
    EXPECT_EQ(packages->ListCount(), 0) << "emptied after the failed Revert";
}

#include "WindowFixture.h"

#include "support/ModalAnswer.h"

#include <QPushButton>
#include <QTest>

using namespace window;

WindowFixture::WindowFixture() {
    for (const char* name : {"AWPStuff.u", "Core.u", "Engine.u", "Fire.u"})
        system.write(name, "");
}

void WindowFixture::Open() {
    window = std::make_unique<MainWindow>(system.path(), home.path(), volumes);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    packages = window->findChild<PackageListBox*>("lbServerPackages");
    folders = window->findChild<FolderListBox*>("dirP2SysFolder");
    drives = window->findChild<DriveListBox*>("driveP2Drive");
    ASSERT_TRUE(packages && folders && drives);
}

void WindowFixture::ClickRow(int row) {
    QRect rect = packages->visualRect(packages->model()->index(row, 0));
    QTest::mouseClick(packages->viewport(), Qt::LeftButton, {}, rect.center());
}

QStringList WindowFixture::Press(const char* buttonName) {
    ModalAnswer answer;
    QTest::mouseClick(window->findChild<QPushButton*>(buttonName), Qt::LeftButton);
    return answer.texts();
}

std::vector<std::string> WindowFixture::Ticked() const {
    std::vector<std::string> ticked;
    for (int i = 0; i < packages->ListCount(); ++i)
        if (packages->Selected(i))
            ticked.push_back(packages->List(i));
    return ticked;
}

#include "support/TempFolder.h"
#include "window/qt/MainWindow.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace window;

// The designed layout, in pixels at 96 dpi (twips / 15).
TEST(Layout, EveryControlSitsWhereTheDesignPutsIt) {
    TempFolder system, home;
    MainWindow window(system.path(), home.path());
    window.show();
    EXPECT_EQ(window.windowTitle(), "Sarvelin");
    EXPECT_EQ(window.size(), QSize(453, 290));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "a fixed layout does not resize";
    EXPECT_EQ(window.windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});

    const struct {
        const char* name;
        QRect geometry;
    } controls[] = {
        {"Label2", {8, 8, 161, 25}},           {"driveP2Drive", {8, 40, 161, 21}},
        {"dirP2SysFolder", {8, 64, 161, 111}}, {"fbUFiles", {8, 184, 161, 97}},
        {"Label1", {184, 8, 257, 25}},         {"lbServerPackages", {184, 40, 257, 199}},
        {"cbSave", {184, 248, 81, 25}},        {"cbRevert", {360, 248, 81, 25}},
    };
    for (const auto& control : controls) {
        auto* widget = window.findChild<QWidget*>(control.name);
        ASSERT_NE(widget, nullptr) << control.name;
        EXPECT_EQ(widget->geometry(), control.geometry) << control.name;
    }

    const QString expectedFamily =
        QFontDatabase::families().contains("Comic Sans MS") ? "Comic Sans MS"
        : QFontDatabase::families().contains("Comic Neue")  ? "Comic Neue"
                                                            : QFont().family();
    for (const char* name : {"Label1", "Label2"}) {
        auto* label = window.findChild<QLabel*>(name);
        QFont font = label->font();
        EXPECT_EQ(font.family(), expectedFamily) << name;
        EXPECT_EQ(font.weight(), QFont::Normal) << name;
        EXPECT_FALSE(font.italic() || font.underline() || font.strikeOut()) << name;
        QFontMetrics metrics(font);
        if (expectedFamily != "Comic Sans MS") { // the designed font is taken as it is
            EXPECT_LE(metrics.horizontalAdvance(label->text()), label->width())
                << name << " fits its box";
        }
        if (expectedFamily != QFont().family()) {
            EXPECT_DOUBLE_EQ(font.pointSizeF(), 14.25) << name;
        }
    }
    for (const char* name : {"cbSave", "cbRevert"}) {
        auto* button = window.findChild<QPushButton*>(name);
        EXPECT_FALSE(button->isDefault() || button->autoDefault()) << name;
    }
}

TEST(Layout, TheDesignedHeadingFontIsUsedWhenInstalled) {
    // As tall as the real one: 27 pixels at 14.25 points, in a 25-pixel label.
    QFontDatabase::families(); // the system's fonts first, as on a player's machine
    ASSERT_GE(QFontDatabase::addApplicationFont(DESIGNED_FONT_FILE), 0);
    TempFolder system, home;
    MainWindow window(system.path(), home.path());
    for (const char* name : {"Label1", "Label2"}) {
        const QFont font = window.findChild<QLabel*>(name)->font();
        EXPECT_EQ(font.family(), "Comic Sans MS") << name;
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 14.25) << name;
        EXPECT_GT(QFontMetrics(font).height(), 25) << "the stand-in is as tall as the real font";
    }
}

TEST(Layout, FocusStartsOnThePackageListAndTabsInDesignedOrder) {
    TempFolder system, home;
    MainWindow window(system.path(), home.path());
    window.show();
    QWidget* widget = window.focusWidget();
    QStringList order;
    for (int i = 0; i < 7 && widget; ++i, widget = widget->nextInFocusChain()) {
        while (widget->focusPolicy() == Qt::NoFocus || !widget->isVisible() ||
               widget->objectName().isEmpty())
            widget = widget->nextInFocusChain();
        order << widget->objectName();
    }
    EXPECT_EQ(order, (QStringList{"lbServerPackages", "dirP2SysFolder", "fbUFiles", "driveP2Drive",
                                  "cbSave", "cbRevert", "lbServerPackages"}));
}

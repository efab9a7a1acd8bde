#pragma once

#include "support/TempFolder.h"
#include "window/qt/DriveListBox.h"
#include "window/qt/FolderListBox.h"
#include "window/qt/MainWindow.h"
#include "window/qt/PackageListBox.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

// The real window opened on a temporary System folder holding four package
// files, with a temporary home folder for the installation search.
class WindowFixture : public ::testing::Test {
protected:
    WindowFixture();

    void Open();
    // Clicks a row of the package list with the mouse.
    void ClickRow(int row);
    // Clicks a button and returns the texts of the message boxes it showed,
    // each answered with OK.
    QStringList Press(const char* buttonName);
    std::vector<std::string> Ticked() const;

    TempFolder system, home;
    // The mount table the drive list reads, as a chroot or container may
    // give it: the root, and a volume this process cannot see.
    std::vector<window::Volume> volumes = {{"/", "", "/dev/vda"},
                                           {"/outside/this/root", "", "/dev/vdb"}};
    std::unique_ptr<window::MainWindow> window;
    window::PackageListBox* packages = nullptr;
    window::FolderListBox* folders = nullptr;
    window::DriveListBox* drives = nullptr;
};

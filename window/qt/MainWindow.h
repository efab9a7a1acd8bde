#pragma once

#include "window/FolderListingCache.h"
#include "window/HandlerGuard.h"
#include "window/frmMain.h"
#include "window/qt/DriveEntries.h"
#include "window/qt/QtMessageBox.h"

#include <QWidget>
#include <map>
#include <memory>
#include <string_view>

class QPushButton;

namespace window {

class DriveListBox;
class FileListBox;
class FolderListBox;
class PackageListBox;

// The program's window: builds the controls where the layout puts them, hands
// them to the handlers and runs Form_Load. Opens on `startFolder`; the drive
// list offers `volumes` and the installations found under `home`.
class MainWindow : public QWidget {
public:
    MainWindow(const std::string& startFolder, const std::string& home,
               const std::vector<Volume>& volumes = MountedVolumes());
    ~MainWindow() override;

    frmMain& form() { return *form_; }

private:
    void LayOut(const std::map<std::string_view, QWidget*>& controls);

    QtMessageBox messageBox_;
    HandlerGuard guard_;
    FolderListingCache listings_; // the folder list and the file list read a folder once
    DriveListBox* driveP2Drive_;
    FolderListBox* dirP2SysFolder_;
    FileListBox* fbUFiles_;
    PackageListBox* lbServerPackages_;
    QPushButton* cbSave_;
    QPushButton* cbRevert_;
    std::unique_ptr<frmMain> form_;
};

} // namespace window

#pragma once

#include "Controls.h"

// The main window's handlers: plain code over the controls, called by the
// window on the controls' notifications and button clicks. Errors leave them
// as exceptions, for the caller's error report.
class frmMain {
public:
    frmMain(DriveListControl& driveP2Drive, FolderListControl& dirP2SysFolder,
            FileListControl& fbUFiles, ListBoxControl& lbServerPackages,
            MessageBoxControl& messageBox);

    void Form_Load();
    void driveP2Drive_Change();
    void dirP2SysFolder_Change();
    void cbRevert_Click();
    void cbSave_Click();

private:
    DriveListControl& driveP2Drive;
    FolderListControl& dirP2SysFolder;
    FileListControl& fbUFiles;
    ListBoxControl& lbServerPackages;
    MessageBoxControl& messageBox;
};

#include "frmMain.h"

#include "Error.h"
#include "ReplaceWithBackup.h"
#include "RewriteGameIni.h"
#include "SequentialFile.h"
#include "ServerPackages.h"
#include "TextCase.h"

#include <string_view>
#include <unordered_set>

frmMain::frmMain(DriveListControl& driveP2Drive, FolderListControl& dirP2SysFolder,
                 FileListControl& fbUFiles, ListBoxControl& lbServerPackages,
                 MessageBoxControl& messageBox)
    : driveP2Drive(driveP2Drive), dirP2SysFolder(dirP2SysFolder), fbUFiles(fbUFiles),
      lbServerPackages(lbServerPackages), messageBox(messageBox) {}

void frmMain::Form_Load() {
    dirP2SysFolder_Change();
}

void frmMain::driveP2Drive_Change() {
    // Moving the folder list runs dirP2SysFolder_Change before this returns.
    dirP2SysFolder.SetPath(driveP2Drive.Drive());
    lbServerPackages.Clear();
}

void frmMain::dirP2SysFolder_Change() {
    fbUFiles.SetPath(dirP2SysFolder.Path());
    lbServerPackages.Clear();
    try {
        gameini::SequentialFile probe =
            gameini::SequentialFile::OpenInput(dirP2SysFolder.Path() + "\\postal2.ini");
        probe.Close();
    } catch (const gameini::FileError&) {
        return; // not a System folder: the package list stays empty
    }
    cbRevert_Click();
}

void frmMain::cbRevert_Click() {
    lbServerPackages.Clear();
    for (int i = 0; i < fbUFiles.ListCount(); ++i)
        lbServerPackages.AddItem(fbUFiles.List(i));

    // One lookup per entry instead of a pass over the list per configured name:
    // the same marks, in time proportional to entries plus names.
    const std::vector<std::string> configured =
        gameini::ReadServerPackages(dirP2SysFolder.Path() + "\\postal2.ini");
    const std::unordered_set<std::string_view> names(configured.begin(), configured.end());
    for (int i = 0; i < lbServerPackages.ListCount(); ++i) {
        if (names.contains(gameini::LowerCase(lbServerPackages.List(i))))
            lbServerPackages.SetSelected(i, true);
    }
}

void frmMain::cbSave_Click() {
    if (lbServerPackages.ListCount() == 0) {
        messageBox.Show("Please locate Postal2 System Folder");
        return;
    }
    const std::string folder = dirP2SysFolder.Path();
    std::vector<std::string> names;
    for (int i = 0; i < lbServerPackages.ListCount(); ++i) {
        if (lbServerPackages.Selected(i))
            names.push_back(lbServerPackages.List(i));
    }
    gameini::RewriteGameIni(folder + "\\postal2.ini", folder + "\\newp2.ini", names);
    gameini::ReplaceWithBackup(folder);
    messageBox.Show("Changes saved to postal2.ini.\r\nBackup saved as postal2.ini.old");
}

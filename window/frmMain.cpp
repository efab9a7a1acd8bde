#include "window/frmMain.h"
#include "gameini/PackageNames.h"

#include "gameini/ConfigurationLock.h"
#include "gameini/EditPolicies.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/SaveGameIni.h"
#include "gameini/ServerPackages.h"

namespace window {

frmMain::frmMain(DriveListControl& driveP2Drive, FolderListControl& dirP2SysFolder,
                 FileListControl& fbUFiles, ListBoxControl& lbServerPackages,
                 MessageBoxControl& messageBox)
    : driveP2Drive(driveP2Drive), dirP2SysFolder(dirP2SysFolder), fbUFiles(fbUFiles),
      lbServerPackages(lbServerPackages), messageBox(messageBox) {}

void frmMain::Form_Load() {
    dirP2SysFolder_Change();
}

void frmMain::driveP2Drive_Change() {
    EmptyListOnError([this] {
        // Moving the folder list runs dirP2SysFolder_Change before this returns.
        dirP2SysFolder.SetPath(driveP2Drive.Drive());
        lbServerPackages.Clear();
    });
}

void frmMain::dirP2SysFolder_Change() {
    EmptyListOnError([this] {
        fbUFiles.SetPath(dirP2SysFolder.Path());
        lbServerPackages.Clear();
        // Not a System folder: the package list stays empty. One whose
        // configuration cannot be read is, and reading it tells the user why.
        if (gameini::ReadAccessOf(gameini::ResolvePath(ConfigurationPath())) ==
            gameini::ReadAccess::NoFile)
            return;
        cbRevert_Click();
    });
}

void frmMain::cbRevert_Click() {
    EmptyListOnError([this] {
        lbServerPackages.Clear();
        for (int i = 0; i < fbUFiles.ListCount(); ++i)
            lbServerPackages.AddItem(fbUFiles.List(i));

        // One lookup per entry instead of a pass over the list per configured
        // name: the same marks, in time proportional to entries plus names.
        gameini::PackageSet configured;
        const gameini::LockedConfiguration configuration = Lock(gameini::Access::Read);
        for (const gameini::ConfiguredPackage& package :
             gameini::ReadServerPackages(configuration.Files().config))
            configured.Insert(package.name);
        for (int i = 0; i < lbServerPackages.ListCount(); ++i) {
            if (configured.ContainsFile(lbServerPackages.List(i)))
                lbServerPackages.SetSelected(i, true);
        }
    });
}

void frmMain::cbSave_Click() {
    if (lbServerPackages.ListCount() == 0) {
        messageBox.Show("Please locate Postal2 System Folder");
        return;
    }
    std::vector<std::string> ticked, listed; // entries, as the list shows them
    for (int i = 0; i < lbServerPackages.ListCount(); ++i) {
        listed.push_back(lbServerPackages.List(i));
        if (lbServerPackages.Selected(i))
            ticked.push_back(listed.back());
    }
    const gameini::EditPackages edit = gameini::KeepTicked(std::move(ticked), std::move(listed));
    const gameini::LockedConfiguration configuration = Lock(gameini::Access::Write);
    const gameini::SaveResult saved =
        gameini::SaveGameIni(configuration, edit, gameini::SaveMode::Always);
    // Beside the configuration, the backup is named as the message has always named it.
    const std::string backup =
        configuration.Files().linked ? saved.backup : gameini::NameOf(saved.backup);
    messageBox.Show("Changes saved to postal2.ini.\r\nBackup saved as " + backup);
}

gameini::LockedConfiguration frmMain::Lock(gameini::Access access) const {
    // Another program's save takes a moment; a user clicking waits that long.
    constexpr std::chrono::seconds kWait(3);
    return gameini::LockConfiguration(dirP2SysFolder.Path(), gameini::kConfigurationName, access,
                                      kWait);
}

std::string frmMain::ConfigurationPath() const {
    return gameini::InFolder(dirP2SysFolder.Path(), gameini::kConfigurationName);
}

void frmMain::EmptyListOnError(const std::function<void()>& body) {
    try {
        body();
    } catch (...) {
        // A list half filled by a failed handler would be saved as it is.
        lbServerPackages.Clear();
        throw;
    }
}

} // namespace window

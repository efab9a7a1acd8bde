#include "window/frmMain.h"
#include "gameini/PackageNames.h"

#include "gameini/ConfigurationContents.h"
#include "gameini/ConfigurationLock.h"
#include "gameini/EditPolicies.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/SaveGameIni.h"
#include "locate/RunningGame.h"

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
        const gameini::LockedConfiguration configuration = Lock(gameini::Access::Read);
        // A statement of its own: the packages read are gone before the list is ticked.
        const std::vector<std::string> configured =
            gameini::NamesOf(gameini::ReadConfiguration(configuration.Files().config).configured);
        ShowConfigured(configured);
    });
}

void frmMain::cbSave_Click() {
    if (lbServerPackages.ListCount() == 0) {
        messageBox.Show("Please locate Postal2 System Folder");
        return;
    }
    // Only what the user changed is the user's; the rest is as the file has it now.
    std::vector<gameini::ListedFile> listed;
    for (int i = 0; i < lbServerPackages.ListCount(); ++i) {
        listed.push_back({lbServerPackages.List(i), std::nullopt});
        const bool ticked = lbServerPackages.Selected(i);
        if (static_cast<size_t>(i) >= ticksShown_.size() || ticksShown_[i] != ticked)
            listed.back().ticked = ticked;
    }
    const gameini::EditPackages edit = gameini::ApplyTickChanges(std::move(listed));
    const gameini::LockedConfiguration configuration = Lock(gameini::Access::Write);
    if (const std::string running = GameRunning(configuration.Files().config); !running.empty()) {
        messageBox.Show(running);
        return;
    }
    const gameini::SaveResult saved =
        gameini::SaveGameIni(configuration, edit, gameini::SaveMode::Always);
    const bool othersKept = Fingerprint(saved.before) != configuredShown_;
    ShowConfigured(saved.after);
    const std::string backup = configuration.Files().BackupAsKnown(saved.backup);
    messageBox.Show("Changes saved to postal2.ini.\r\nBackup saved as " + backup +
                    (othersKept ? "\r\nChanges another program saved meanwhile were kept." : ""));
}

size_t frmMain::Fingerprint(const std::vector<std::string>& names) {
    size_t fingerprint = names.size();
    for (const std::string& name : names)
        fingerprint = fingerprint * 1000003 ^ std::hash<std::string>{}(name);
    return fingerprint;
}

void frmMain::ShowConfigured(const std::vector<std::string>& configured) {
    // One lookup per entry instead of a pass over the list per configured
    // name: the same marks, in time proportional to entries plus names.
    gameini::PackageSet set;
    for (const std::string& name : configured)
        set.Insert(name);
    ticksShown_.assign(static_cast<size_t>(lbServerPackages.ListCount()), false);
    for (int i = 0; i < lbServerPackages.ListCount(); ++i) {
        ticksShown_[i] = set.ContainsFile(lbServerPackages.List(i));
        lbServerPackages.SetSelected(i, ticksShown_[i]);
    }
    configuredShown_ = Fingerprint(configured);
}

std::string frmMain::GameRunning(const std::string& config) {
    const std::vector<locate::GameProcess> games = locate::GamesUsing(config);
    if (games.empty())
        return "";
    const locate::GameProcess& game = games.front();
    return game.name + " (pid " + std::to_string(game.pid) + ") is running with " + config + ": " +
           game.why +
           ". The game writes its whole configuration back when it quits, so this change would "
           "be lost. Quit it first, then save again.";
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

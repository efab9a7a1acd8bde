#pragma once

#include "gameini/ConfigurationLock.h"
#include "window/Controls.h"

#include <functional>
#include <string>
#include <vector>

namespace window {

// The main window's handlers: plain code over the controls, called by the
// window on the controls' notifications and button clicks. Errors leave them
// as exceptions, for the caller's error report; every handler but Save then
// leaves the package list empty.
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
    // The system folder's postal2.ini, found in any letter case when opened.
    std::string ConfigurationPath() const;
    // Holds it against other programs, waiting a moment while one does.
    gameini::LockedConfiguration Lock(gameini::Access access) const;
    // Runs a handler's body; when it fails, the package list is emptied
    // before the error goes on to the report.
    void EmptyListOnError(const std::function<void()>& body);
    // Ticks the entries of the configured packages, and remembers what the
    // list showed, so that Save can tell the user's changes from the file's.
    void ShowConfigured(const std::vector<std::string>& configured);
    // The configured packages in a word, as much of them as tells a change:
    // a list of 32,767 names is not worth its memory to keep whole.
    static size_t Fingerprint(const std::vector<std::string>& names);
    // Why the configuration must not be saved now, for the message box: a
    // game process would write its own copy back when it quits. Empty when
    // none runs.
    static std::string GameRunning(const std::string& config);

    DriveListControl& driveP2Drive;
    FolderListControl& dirP2SysFolder;
    FileListControl& fbUFiles;
    ListBoxControl& lbServerPackages;
    MessageBoxControl& messageBox;
    std::vector<bool> ticksShown_; // an entry's tick as loaded or saved
    size_t configuredShown_ = 0;   // ... and the configured packages' Fingerprint
};

} // namespace window

#pragma once

#include "window/FolderListingCache.h"
#include "window/HandlerGuard.h"
#include "window/frmMain.h"
#include "window/win32/DriveCombo.h"
#include "window/win32/FileList.h"
#include "window/win32/FolderList.h"
#include "window/win32/PackageList.h"

#include <memory>
#include <windows.h>

namespace window {

// The message box the handlers show: OK only, captioned "Sarvelin".
class Win32MessageBox : public MessageBoxControl {
public:
    void Show(const std::string& text) override;
    HWND owner = nullptr;
};

// The main window: the controls where the layout puts them, in its tab
// order, and the handlers called on their notifications.
class MainWindow {
public:
    // Opens on `startFolder`; throws when it cannot be shown.
    MainWindow(HINSTANCE instance, const std::string& startFolder, const std::string& home);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow();

    HWND Handle() const { return window_; }
    // Runs the window until it is closed; the process's exit status.
    int Run();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    // A control's notification, or a button's click.
    void Command(int id, int code);
    void CreateControls(HINSTANCE instance, const std::string& startFolder,
                        const std::string& home);
    // Puts each control where the layout says at `dpi`, with its font.
    void Place(int dpi);

    HWND window_ = nullptr;
    HWND controls_[8] = {};
    HFONT headingFont_ = nullptr, font_ = nullptr;
    Win32MessageBox messageBox_;
    HandlerGuard guard_{messageBox_};
    FolderListingCache listings_;
    std::unique_ptr<DriveCombo> driveP2Drive_;
    std::unique_ptr<FolderList> dirP2SysFolder_;
    std::unique_ptr<FileList> fbUFiles_;
    std::unique_ptr<PackageList> lbServerPackages_;
    std::unique_ptr<frmMain> form_;
};

} // namespace window

// sarvelin.exe: the window that ticks the packages a Postal 2 server sends
// to its players, opened on the current folder.

#include "gameini/win32/WideText.h"
#include "window/win32/MainWindow.h"

#include <cstdlib>
#include <exception>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    wchar_t folder[32768];
    const DWORD length = GetCurrentDirectoryW(32768, folder);
    const wchar_t* profile = _wgetenv(L"USERPROFILE");
    try {
        window::MainWindow mainWindow(instance, gameini::Utf8Text(std::wstring(folder, length)),
                                      profile ? gameini::Utf8Text(profile) : "");
        return mainWindow.Run();
    } catch (const std::exception& error) {
        // The start folder itself could not be shown.
        MessageBoxW(nullptr, gameini::WideText(error.what()).c_str(), L"Sarvelin",
                    MB_OK | MB_ICONERROR);
        return EXIT_FAILURE;
    }
}

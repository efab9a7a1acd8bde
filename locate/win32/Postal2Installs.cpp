#include "locate/Postal2Installs.h"

#include "gameini/GamePath.h"
#include "gameini/win32/WideText.h"
#include "locate/InstallSearch.h"
#include "locate/win32/LogicalDrives.h"

#include <optional>
#include <tuple>
#include <windows.h>

namespace locate {

namespace {

// A text value of the registry; nothing when it is missing or no text.
std::optional<std::string> RegistryText(HKEY root, const wchar_t* key, const wchar_t* name) {
    DWORD size = 0;
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size > 64 * 1024)
        return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, text.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(wcsnlen(text.c_str(), text.size()));
    return gameini::Utf8Text(text);
}

// The games GOG Galaxy and GOG's installers record, each with its folder.
void GogGames(InstallSearch& search, const wchar_t* key) {
    HKEY games;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &games) != ERROR_SUCCESS)
        return;
    wchar_t id[256];
    for (DWORD i = 0, length = 256;
         RegEnumKeyExW(games, i, id, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 256) {
        const std::optional<std::string> path = RegistryText(games, id, L"path");
        const std::optional<std::string> name = RegistryText(games, id, L"gameName");
        if (path)
            search.AddIfSystemFolder(InstallSearch::SystemFolderOf(*path),
                                     name ? *name : gameini::Utf8Text(id), "GOG", *path);
    }
    RegCloseKey(games);
}

} // namespace

const char* const kPostal2InstallPlaces =
    "Steam's folder from the registry and the libraries its libraryfolders.vdf lists, the "
    "games GOG records in the registry, and on each fixed drive Program Files' Steam and "
    "Running With Scissors, SteamLibrary and GOG Games";

std::vector<Postal2Install> FindPostal2Installs(const std::string& home, const std::string&) {
    InstallSearch search(home);
    for (const auto& [root, key, name] :
         {std::tuple{HKEY_CURRENT_USER, L"Software\\Valve\\Steam", L"SteamPath"},
          std::tuple{HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\Valve\\Steam", L"InstallPath"},
          std::tuple{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Valve\\Steam", L"InstallPath"}})
        if (const std::optional<std::string> steam = RegistryText(root, key, name))
            search.SteamRoot(gameini::NativePath(*steam));
    GogGames(search, L"SOFTWARE\\WOW6432Node\\GOG.com\\Games");
    GogGames(search, L"SOFTWARE\\GOG.com\\Games");
    for (const std::string& drive : LogicalDrives()) {
        if (GetDriveTypeW(gameini::WideText(drive).c_str()) != DRIVE_FIXED)
            continue;
        for (const char* programs : {"Program Files (x86)", "Program Files"}) {
            search.SteamRoot(gameini::InFolder(drive, std::string(programs) + "\\Steam"));
            search.GamesIn(
                gameini::InFolder(drive, std::string(programs) + "\\Running With Scissors"),
                "Running With Scissors", drive);
        }
        search.SteamRoot(gameini::InFolder(drive, "SteamLibrary"));
        search.GamesIn(gameini::InFolder(drive, "GOG Games"), "GOG", drive);
    }
    return search.Found();
}

} // namespace locate

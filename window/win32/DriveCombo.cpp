#include "window/win32/DriveCombo.h"

#include "gameini/GamePath.h"
#include "gameini/TextCase.h"
#include "gameini/win32/WideText.h"
#include "locate/Postal2Installs.h"
#include "locate/win32/LogicalDrives.h"

namespace window {

namespace {

// "c: [System]", as the drive list of the design names a drive.
std::wstring DriveText(const wchar_t* root) {
    std::wstring text{static_cast<wchar_t>(towlower(root[0])), L':'};
    wchar_t label[MAX_PATH + 1] = {};
    if (GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) &&
        *label)
        text += std::wstring(L" [") + label + L"]";
    return text;
}

} // namespace

bool IsDriveRoot(const std::string& designation) {
    return designation.size() == 3 && designation[1] == ':' && designation[2] == '\\';
}

DriveCombo::DriveCombo(HWND combo, const std::string& home) : combo_(combo) {
    for (const std::string& root : locate::LogicalDrives()) {
        SendMessageW(combo_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(DriveText(gameini::WideText(root).c_str()).c_str()));
        entries_.push_back({root, true});
    }
    for (const locate::Postal2Install& install : locate::FindPostal2Installs(home)) {
        SendMessageW(combo_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(gameini::WideText(install.label).c_str()));
        entries_.push_back({install.systemFolder, false});
    }
}

std::string DriveCombo::Drive() const {
    const LRESULT index = SendMessageW(combo_, CB_GETCURSEL, 0, 0);
    return index >= 0 && static_cast<size_t>(index) < entries_.size() ? entries_[index].designation
                                                                      : "";
}

void DriveCombo::ShowFolder(const std::string& folder) {
    const std::string lower = gameini::LowerCase(folder);
    auto holds = [&](const Entry& entry) {
        // An install holds the folders of its game folder, around its System.
        const std::string place = gameini::LowerCase(
            entry.isDrive ? entry.designation : gameini::FolderOf(entry.designation));
        return gameini::IsWithin(lower, place);
    };
    int shown = -1;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (holds(entries_[i]) && (shown < 0 || !entries_[i].isDrive))
            shown = static_cast<int>(i);
    SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(shown), 0);
}

} // namespace window

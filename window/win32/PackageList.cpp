#include "window/win32/PackageList.h"

#include "gameini/win32/WideText.h"

#include <commctrl.h>

namespace window {

PackageList::PackageList(HWND view) : view_(view) {
    ListView_SetExtendedListViewStyle(view_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNW column = {}; // as wide as the list, once the window places it
    ListView_InsertColumn(view_, 0, &column);
}

void PackageList::Clear() {
    ListView_DeleteAllItems(view_);
    items_.clear();
}

void PackageList::AddItem(const std::string& text) {
    std::wstring wide = gameini::WideText(text);
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(items_.size());
    item.pszText = wide.data();
    ListView_InsertItem(view_, &item);
    items_.push_back(text);
    if (items_.size() == 1)
        ListView_SetItemState(view_, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
}

int PackageList::ListCount() const {
    return static_cast<int>(items_.size());
}

std::string PackageList::List(int index) const {
    return items_.at(static_cast<size_t>(index));
}

bool PackageList::Selected(int index) const {
    return ListView_GetCheckState(view_, index);
}

void PackageList::SetSelected(int index, bool ticked) {
    ListView_SetCheckState(view_, index, ticked);
}

} // namespace window

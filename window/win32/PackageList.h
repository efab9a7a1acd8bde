#pragma once

#include "window/Controls.h"

#include <string>
#include <vector>
#include <windows.h>

namespace window {

// The package list: a list view of one column, each entry with its tick box.
class PackageList : public ListBoxControl {
public:
    explicit PackageList(HWND view);

    void Clear() override;
    void AddItem(const std::string& text) override;
    int ListCount() const override;
    std::string List(int index) const override;
    bool Selected(int index) const override;
    void SetSelected(int index, bool ticked) override;

private:
    HWND view_;
    std::vector<std::string> items_;
};

} // namespace window

#pragma once

#include "window/Controls.h"
#include "window/qt/DriveEntries.h"

#include <QComboBox>
#include <functional>

namespace window {

// The drive list. Starts on the installation or else the volume holding the
// start folder, and raises onChange only when the user picks another entry. The closed field
// elides a long entry; the opened list is as wide as its longest entry.
class DriveListBox : public QComboBox, public DriveListControl {
public:
    DriveListBox(const std::vector<DriveEntry>& entries, const std::string& startFolder,
                 QWidget* parent = nullptr);

    std::string Drive() const override;
    // Shows the installation or else the volume of a folder the folder list
    // moved to, as a drive list shows the current drive. Raises no onChange.
    void ShowFolder(const std::string& folder);

    std::function<void()> onChange;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showPopup() override;

private:
    bool Holds(int index, const std::string& folder) const;
};

} // namespace window

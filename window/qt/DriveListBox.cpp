#include "window/qt/DriveListBox.h"
#include "gameini/GamePath.h"

#include <QAbstractItemView>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QStylePainter>

namespace window {

DriveListBox::DriveListBox(const std::vector<DriveEntry>& entries, const std::string& startFolder,
                           QWidget* parent)
    : QComboBox(parent) {
    for (const DriveEntry& entry : entries) {
        addItem(entry.shown, QByteArray::fromStdString(entry.designation));
        setItemData(count() - 1, entry.path, Qt::ToolTipRole);
    }
    setCurrentIndex(-1); // the first entry added became current
    ShowFolder(startFolder);
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (onChange)
            onChange();
    });
}

std::string DriveListBox::Drive() const {
    return currentData().toByteArray().toStdString();
}

void DriveListBox::ShowFolder(const std::string& folder) {
    // The installation whose folders these are, else the volume with the
    // deepest mount point holding it.
    int shown = -1;
    size_t deepest = 0;
    for (int i = 0; i < count(); ++i) {
        if (!Holds(i, folder))
            continue;
        const std::optional<std::string> mountPoint =
            MountPointOf(itemData(i).toByteArray().toStdString());
        if (!mountPoint) {
            shown = i;
            break;
        }
        if (shown < 0 || mountPoint->size() > deepest) {
            shown = i;
            deepest = mountPoint->size();
        }
    }
    QSignalBlocker quiet(this);
    setCurrentIndex(shown);
}

bool DriveListBox::Holds(int index, const std::string& folder) const {
    const std::string designation = itemData(index).toByteArray().toStdString();
    if (std::optional<std::string> mountPoint = MountPointOf(designation))
        return gameini::IsWithin(folder, *mountPoint);
    // An installation holds the folders of its game folder, around its System.
    return gameini::IsWithin(folder, gameini::FolderOf(designation));
}

void DriveListBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect text =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, text.width());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void DriveListBox::showPopup() {
    int widest = std::max(width(), view()->sizeHintForColumn(0) + 2 * view()->frameWidth() +
                                       style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    if (QScreen* shown = screen())
        widest = std::min(widest, shown->availableGeometry().width());
    view()->setMinimumWidth(widest);
    QComboBox::showPopup();
}

} // namespace window

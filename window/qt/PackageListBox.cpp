#include "window/qt/PackageListBox.h"

#include "window/qt/CutOffToolTip.h"
#include <QKeyEvent>

namespace window {

int PackageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant PackageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count())
        return {};
    const Entry& entry = entries_[index.row()];
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(entry.text);
    if (role == Qt::CheckStateRole)
        return entry.ticked ? Qt::Checked : Qt::Unchecked;
    return {};
}

Qt::ItemFlags PackageListModel::flags(const QModelIndex& index) const {
    // Not user-checkable: the view toggles on a click anywhere on the row, and
    // the check box must not toggle a second time.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

void PackageListModel::Clear() {
    if (entries_.empty())
        return;
    beginResetModel();
    entries_.clear();
    endResetModel();
}

void PackageListModel::AddItem(const std::string& text) {
    beginInsertRows({}, Count(), Count());
    entries_.push_back({text});
    endInsertRows();
}

void PackageListModel::SetTicked(int row, bool ticked) {
    Entry& entry = entries_.at(row);
    if (entry.ticked == ticked)
        return;
    entry.ticked = ticked;
    emit dataChanged(index(row), index(row), {Qt::CheckStateRole});
}

PackageListBox::PackageListBox(QWidget* parent) : QListView(parent) {
    setItemDelegate(new CutOffToolTip(this));
    setModel(&model_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Each click of a double click is a click of its own.
    connect(this, &QListView::clicked, this, &PackageListBox::Toggle);
    connect(this, &QListView::doubleClicked, this, &PackageListBox::Toggle);
}

void PackageListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && currentIndex().isValid()) {
        Toggle(currentIndex());
        return;
    }
    QListView::keyPressEvent(event);
}

void PackageListBox::Toggle(const QModelIndex& index) {
    if (index.isValid())
        SetSelected(index.row(), !Selected(index.row()));
}

} // namespace window

#include "window/qt/FileListBox.h"

#include "window/qt/CutOffToolTip.h"
#include "window/qt/QtText.h"

namespace window {

void PackageFileModel::SetListing(std::shared_ptr<const locate::FolderListing> listing) {
    beginResetModel();
    listing_ = std::move(listing);
    endResetModel();
}

const std::vector<std::string>& PackageFileModel::Names() const {
    return listing_->packageFiles;
}

int PackageFileModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(Names().size());
}

QVariant PackageFileModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return DisplayName(Names()[index.row()]);
}

FileListBox::FileListBox(FolderListingCache& listings, QWidget* parent)
    : QListView(parent), listings_(listings) {
    setItemDelegate(new CutOffToolTip(this));
    setModel(&model_);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void FileListBox::SetPath(const std::string& folder) {
    model_.SetListing(listings_.Read(folder));
}

} // namespace window

#pragma once

#include "window/Controls.h"
#include "window/FolderListingCache.h"

#include <QAbstractListModel>
#include <QListView>
#include <memory>

namespace window {

// The file list's rows: the package files of a folder listing, converted for
// display only as they are shown.
class PackageFileModel : public QAbstractListModel {
public:
    void SetListing(std::shared_ptr<const locate::FolderListing> listing);
    const std::vector<std::string>& Names() const;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::shared_ptr<const locate::FolderListing> listing_ =
        std::make_shared<locate::FolderListing>();
};

// The file list: the package files of one folder, listed when its path is set.
class FileListBox : public QListView, public FileListControl {
public:
    explicit FileListBox(FolderListingCache& listings, QWidget* parent = nullptr);

    void SetPath(const std::string& folder) override;
    int ListCount() const override { return static_cast<int>(model_.Names().size()); }
    std::string List(int index) const override { return model_.Names().at(index); }

private:
    FolderListingCache& listings_;
    PackageFileModel model_;
};

} // namespace window

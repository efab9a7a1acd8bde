#include "window/qt/FolderListBox.h"

#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "locate/FolderContents.h"
#include "window/FolderListingCache.h"
#include "window/HandlerGuard.h"
#include "window/qt/DriveListBox.h"
#include "window/qt/QtText.h"

#include <QStyle>
#include <QStyledItemDelegate>
#include <cerrno>
#include <sys/stat.h>

namespace window {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
// A few pixels a level, as a classic folder list indents, so that a System
// folder a dozen levels deep still shows its name.
constexpr int kIndentPixels = 4;

// Indents each folder, icon and all, by its depth below the root, and makes
// the row that much wider so that the list scrolls to a long name.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented = option;
        indented.rect.adjust(Indent(index), 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(index), 0);
    }

private:
    static int Indent(const QModelIndex& index) {
        return index.data(kDepthRole).toInt() * kIndentPixels;
    }
};

// How a folder shows in the list: the root as "/", any other by its name.
std::string ShownName(const std::string& folder) {
    return folder == "/" ? folder : gameini::NameOf(folder);
}

} // namespace

FolderListBox::FolderListBox(const std::string& startFolder, HandlerGuard& guard,
                             FolderListingCache& listings, QWidget* parent)
    : QListWidget(parent), listings_(listings) {
    setItemDelegate(new IndentDelegate(this));
    setTextElideMode(Qt::ElideNone); // a long name scrolls rather than loses letters
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Show(gameini::AbsolutePath(startFolder));
    connect(this, &QListWidget::itemActivated, this, [this, &guard](QListWidgetItem* item) {
        std::string folder = item->data(kPathRole).toByteArray().toStdString();
        guard.Run([this, folder] { SetPath(folder); });
    });
}

void FolderListBox::SetPath(const std::string& pathOrDrive) {
    std::string folder = pathOrDrive;
    if (std::optional<std::string> mountPoint = MountPointOf(pathOrDrive)) {
        struct stat volume;
        if (stat(mountPoint->c_str(), &volume) != 0)
            gameini::ThrowSystemError(errno, "Cannot open the volume " + *mountPoint);
        auto last = lastFolderOnVolume_.find(volume.st_dev);
        struct stat lastFolder;
        bool lastStillThere = last != lastFolderOnVolume_.end() &&
                              stat(last->second.c_str(), &lastFolder) == 0 &&
                              S_ISDIR(lastFolder.st_mode);
        folder = lastStillThere ? last->second : *mountPoint;
    }
    const std::string before = path_;
    Show(gameini::AbsolutePath(folder));
    // Opening the folder that is already current must not reload the list
    // and throw away unsaved ticks.
    if (path_ != before && onChange)
        onChange();
}

void FolderListBox::Show(const std::string& folder) {
    const std::shared_ptr<const locate::FolderListing> listing = listings_.Read(folder);
    const std::vector<std::string> chain = locate::FolderChain(folder);
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
    auto add = [this](const QIcon& icon, size_t depth, const std::string& path) {
        auto* item = new QListWidgetItem(icon, DisplayName(ShownName(path)));
        item->setToolTip(DisplayName(path));
        item->setData(kPathRole, QByteArray::fromStdString(path));
        item->setData(kDepthRole, static_cast<int>(depth));
        addItem(item);
        return item;
    };
    clear();
    QListWidgetItem* current = nullptr;
    for (size_t depth = 0; depth < chain.size(); ++depth)
        current = add(open, depth, chain[depth]);
    for (const std::string& name : listing->subfolders)
        add(closed, chain.size(), gameini::InFolder(folder, name));
    setCurrentItem(current);
    scrollToItem(current);

    path_ = folder;
    struct stat info;
    if (stat(folder.c_str(), &info) == 0)
        lastFolderOnVolume_[info.st_dev] = folder;
}

} // namespace window

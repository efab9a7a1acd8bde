#include "FileListBox.h"

#include "FolderContents.h"
#include "QtText.h"

FileListBox::FileListBox(QWidget* parent) : QListView(parent) {
    setModel(&model_);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void FileListBox::SetPath(const std::string& folder) {
    std::vector<std::string> names = ListPackageFiles(folder);
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names)
        shown.append(DisplayName(name));
    names_ = std::move(names);
    model_.setStringList(shown);
}

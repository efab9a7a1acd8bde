#pragma once

#include "Controls.h"

#include <QListView>
#include <QStringListModel>
#include <vector>

// The file list: the package files of one folder, listed when its path is set.
class FileListBox : public QListView, public FileListControl {
public:
    explicit FileListBox(QWidget* parent = nullptr);

    void SetPath(const std::string& folder) override;
    int ListCount() const override { return static_cast<int>(names_.size()); }
    std::string List(int index) const override { return names_.at(index); }

private:
    QStringListModel model_;
    std::vector<std::string> names_;
};

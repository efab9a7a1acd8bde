#pragma once

#include "window/Controls.h"

#include <QAbstractListModel>
#include <QListView>
#include <vector>

namespace window {

// The package list: a row per entry with a check box showing its mark. A
// click on a row, or Space on the current row, toggles the mark. Entries live
// in a plain model, so tens of thousands stay fast.
class PackageListModel : public QAbstractListModel {
public:
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void Clear();
    void AddItem(const std::string& text);
    int Count() const { return static_cast<int>(entries_.size()); }
    const std::string& Text(int row) const { return entries_.at(row).text; }
    bool Ticked(int row) const { return entries_.at(row).ticked; }
    void SetTicked(int row, bool ticked);

private:
    struct Entry {
        std::string text;
        bool ticked = false;
    };
    std::vector<Entry> entries_;
};

class PackageListBox : public QListView, public ListBoxControl {
public:
    explicit PackageListBox(QWidget* parent = nullptr);

    void Clear() override { model_.Clear(); }
    void AddItem(const std::string& text) override { model_.AddItem(text); }
    int ListCount() const override { return model_.Count(); }
    std::string List(int index) const override { return model_.Text(index); }
    bool Selected(int index) const override { return model_.Ticked(index); }
    void SetSelected(int index, bool ticked) override { model_.SetTicked(index, ticked); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Toggle(const QModelIndex& index);

    PackageListModel model_;
};

} // namespace window

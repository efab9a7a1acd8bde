#pragma once

#include <QStyledItemDelegate>

namespace window {

// Shows a row's full text as its tooltip when the row is too narrow for it.
class CutOffToolTip : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

} // namespace window

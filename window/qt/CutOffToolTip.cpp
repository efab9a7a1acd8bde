#include "window/qt/CutOffToolTip.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

namespace window {

bool CutOffToolTip::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                              const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem row = option;
    initStyleOption(&row, index);
    const QRect text = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &row, view);
    if (row.fontMetrics.horizontalAdvance(row.text) > text.width())
        QToolTip::showText(event->globalPos(), row.text, view->viewport(), option.rect);
    else
        QToolTip::hideText();
    return true;
}

} // namespace window

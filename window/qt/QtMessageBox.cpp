#include "window/qt/QtMessageBox.h"

#include <QMessageBox>

namespace window {

void QtMessageBox::Show(const std::string& text) {
    QString shown = QString::fromUtf8(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Sarvelin"), shown, QMessageBox::Ok,
                    parent_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace window

#include "ModalAnswer.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

ModalAnswer::ModalAnswer() {
    QTimer::singleShot(0, &context_, [this] { Poll(); });
}

void ModalAnswer::Poll() {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        texts_.append(box->windowTitle() + "|" + box->text() + "|" +
                      QString::number(box->buttons().size()) + " button|icon " +
                      QString::number(box->icon()));
        box->button(QMessageBox::Ok)->click();
    }
    QTimer::singleShot(1, &context_, [this] { Poll(); });
}

#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Answers the message boxes the code under test shows: each box that opens is
// read and closed with its OK button. The texts are collected in order.
class ModalAnswer {
public:
    ModalAnswer();
    const QStringList& texts() const { return texts_; }

private:
    void Poll();
    QStringList texts_;
    QObject context_; // pending polls end with it
};

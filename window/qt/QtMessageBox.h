#pragma once

#include "window/Controls.h"

class QWidget;

namespace window {

// A modal message box with an OK button and no icon, captioned "Sarvelin".
class QtMessageBox : public MessageBoxControl {
public:
    explicit QtMessageBox(QWidget* parent) : parent_(parent) {}
    void Show(const std::string& text) override;

private:
    QWidget* parent_;
};

} // namespace window

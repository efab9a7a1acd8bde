#pragma once

#include "window/Controls.h"

#include <functional>

namespace window {

// Runs the handlers the toolkit calls. An error that leaves the outermost
// handler is reported in a message box naming its number and description, and
// the program goes on with the window as the handler left it. A handler that
// runs inside another (the folder change inside a drive change) lets its
// error travel to the outer one, which stops there as well.
class HandlerGuard {
public:
    explicit HandlerGuard(MessageBoxControl& messageBox) : messageBox_(messageBox) {}

    void Run(const std::function<void()>& handler);

private:
    MessageBoxControl& messageBox_;
    int depth_ = 0;
};

} // namespace window

#pragma once

#include <functional>

// Runs `check` in a child process that has dropped root's privileges (when the
// tests run as root, as CI does), so that file permissions apply to it. Returns
// true when `check` returned true.
bool RunUnprivileged(const std::function<bool()>& check);

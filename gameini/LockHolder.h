#pragma once

#include <string>

namespace gameini {

// What the program that holds the lock of the open file does with it, and
// who it is where the system tells: "saving FILE (pid N, NAME)".
std::string LockHolder(int fd, const std::string& path);

} // namespace gameini

#pragma once

#include <ostream>
#include <string>

// Prints a unified diff from `before` to `after`, two versions of the
// configuration at `path` in its own encoding, as UTF-8 text.
void PrintDiff(std::ostream& out, const std::string& path, const std::string& before,
               const std::string& after);

#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// sarvelin-cli as a function: parses `arguments` (the program's name first),
// runs the command, prints its results to `out` and its messages to `err`,
// and returns the exit status. Tests run commands through it in-process.
int RunProgram(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace cli

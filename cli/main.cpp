// sarvelin-cli: the server packages of a Postal 2 configuration, from a
// terminal. Results go to standard output, messages to standard error.

#include "cli/Program.h"

#include <iostream>
#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // The text is UTF-8, as the arguments are by the program's manifest.
    SetConsoleOutputCP(CP_UTF8);
#endif
    return cli::RunProgram(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr);
}

// sarvelin-cli: the server packages of a Postal 2 configuration, from a
// terminal. Results go to standard output, messages to standard error.

#include "cli/Program.h"

#include <iostream>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // The text is UTF-8, as the arguments are by the program's manifest, and
    // its lines end as on Linux, so that a script reads the same output.
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The progress line erases itself as on a Linux terminal, which the
    // console does only when told to.
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    if (DWORD mode = 0; GetConsoleMode(console, &mode))
        SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
#endif
    return cli::RunProgram(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr);
}

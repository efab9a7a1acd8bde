// sarvelin-cli: the server packages of a Postal 2 configuration, from a
// terminal. Results go to standard output, messages to standard error.

#include "cli/Program.h"

#include <iostream>

int main(int argc, char** argv) {
    return cli::RunProgram(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr);
}

#pragma once

#include "Context.h"

#include <CLI/CLI.hpp>

// Each command adds itself to the program's arguments. Its callback does the
// work when the command is given, printing results to standard output and
// setting the exit status in the context; errors leave it as exceptions.
void AddListCommand(CLI::App& app, Context& context);
void AddAddCommand(CLI::App& app, Context& context);
void AddRemoveCommand(CLI::App& app, Context& context);
void AddSetCommand(CLI::App& app, Context& context);
void AddRestoreCommand(CLI::App& app, Context& context);
void AddCheckCommand(CLI::App& app, Context& context);
void AddWhereCommand(CLI::App& app, Context& context);
void AddInfoCommand(CLI::App& app, Context& context);

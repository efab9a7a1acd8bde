#pragma once

#include "cli/Context.h"

#include <CLI/CLI.hpp>
#include <functional>

namespace cli {

// Runs `run` when the command is given; what it returns is the program's
// exit status. Errors leave it as exceptions.
void OnRun(CLI::App& command, Context& context, std::function<ExitStatus()> run);

// The same with the package names the command is given: each of its words
// that is no option, as typed. (As a list option, CLI11 would read "[X]" as
// a list and unpack it to "X".)
void OnRunWithNames(CLI::App& command, Context& context,
                    std::function<ExitStatus(const std::vector<std::string>& names)> run);

// Each command adds itself to the program's arguments. It prints results to
// the context's streams.
void AddListCommand(CLI::App& app, Context& context);
void AddAddCommand(CLI::App& app, Context& context);
void AddRemoveCommand(CLI::App& app, Context& context);
void AddSetCommand(CLI::App& app, Context& context);
void AddRestoreCommand(CLI::App& app, Context& context);
void AddCheckCommand(CLI::App& app, Context& context);
void AddWhereCommand(CLI::App& app, Context& context);
void AddInfoCommand(CLI::App& app, Context& context);
void AddRedirectCommand(CLI::App& app, Context& context);
void AddWorkshopCommand(CLI::App& app, Context& context);

} // namespace cli

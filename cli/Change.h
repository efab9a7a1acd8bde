#pragma once

#include "Context.h"
#include "RewriteGameIni.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

// Runs `run` when the command is given, as OnRun does, with the package
// names it is given: each of its words that is no option, as typed. (As a
// list option, CLI11 would read "[X]" as a list and unpack it to "X".)
void OnRunWithNames(CLI::App& command, Context& context,
                    std::function<ExitStatus(const std::vector<std::string>& names)> run);

// Edits the configuration's package lines through the one save both
// programs share, holding the configuration meanwhile, unless the game runs
// with it. Writes nothing when no byte would change and prints "unchanged";
// with a dry run it prints the change as a diff; else where the previous
// configuration is kept, and what --force gave away.
void ApplyChange(const Context& context, const gameini::EditPackages& edit,
                 const char* verb = "saved");

// What an edit of the configuration did, or for a dry run would do.
struct ChangeReport {
    std::string file; // absolute
    bool changed = false;
    std::string backup;      // where the previous configuration is kept, absolute; empty: none
    std::string backupShown; // ... as the text names it
    bool inPlace = false;
    std::vector<std::string> before, after;
    std::string bytesBefore, bytesAfter; // a dry run's
};
// Prints it as text, or as one JSON object with the file, whether it
// changed, the backup, the package names before and after and, for a dry
// run or with --diff, the diff.
void PrintChange(const Context& context, const ChangeReport& report, const char* verb);

// How the text names a backup: by its name beside the configuration, else by
// its path.
std::string BackupShown(const gameini::ConfigurationFiles& files, const std::string& backup);

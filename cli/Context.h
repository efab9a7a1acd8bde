#pragma once

#include "ConfigurationFiles.h"

#include <stdexcept>
#include <string>

// Exit statuses, the same for every command.
enum ExitStatus { kDone = 0, kProblemsFound = 1, kUsage = 2, kFileError = 3, kGameRunning = 4 };

// A mistake in the command's words.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The game or its server is running and would write its own copy back.
struct GameRunningError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What every command is given: which configuration, whether to go on while
// the game runs, and where it puts its exit status.
struct Context {
    std::string folder = "."; // -C: a System folder, whose postal2.ini is meant
    std::string ini;          // -f: any other configuration file
    bool force = false;
    int exitStatus = kDone;

    // The configuration's files, found without regard to letter case.
    gameini::ConfigurationFiles Files() const;
    // The folder that holds the configuration and its package files.
    std::string Folder() const;
    // Throws GameRunningError, unless --force, when a game process uses the
    // configuration, or when that cannot be told.
    void RefuseWhileTheGameRuns(const gameini::ConfigurationFiles& files) const;
};

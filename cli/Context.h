#pragma once

#include "ConfigurationLock.h"

#include <chrono>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>

// Exit statuses, the same for every command.
enum ExitStatus {
    kDone = 0,
    kProblemsFound = 1,
    kUsage = 2,
    kFileError = 3,
    kGameRunning = 4,
    kBusy = 5, // another program kept the configuration longer than --wait
};

// A mistake in the command's words.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The game or its server is running and would write its own copy back.
struct GameRunningError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What every command is given: which configuration, whether to go on while
// the game runs, how long to wait for another program, and where its results
// and messages go.
struct Context {
    explicit Context(std::ostream& out = std::cout, std::ostream& err = std::cerr)
        : out(out), err(err) {}

    std::ostream& out;        // results
    std::ostream& err;        // warnings
    std::string folder = "."; // -C: a System folder, whose postal2.ini is meant
    std::string ini;          // -f: any other configuration file
    bool force = false;
    bool quiet = false; // -q: no warnings
    bool json = false;
    bool dryRun = false; // -n: show the change, write nothing
    bool strict = false; // --strict: a dry run refuses what the change would refuse
    double wait = 10;    // --wait: seconds to wait while another program saves
    // The command given, run once every word of the command line is known
    // to be right; it returns the exit status.
    std::function<ExitStatus()> run;
    bool takesNames = false;        // the command takes package names ...
    std::vector<std::string> names; // ... and these are the ones given

    // Prints "sarvelin-cli: warning: TEXT" on standard error, unless quiet.
    void Warn(const std::string& text) const;

    // Holds the configuration, found without regard to letter case, for
    // reading or for writing, waiting up to --wait while another program
    // holds it.
    gameini::LockedConfiguration Lock(gameini::Access access) const;
    std::chrono::milliseconds Wait() const;
    // The folder that holds the configuration and its package files.
    std::string Folder() const;
    // Unless --force: throws GameRunningError when a game process uses the
    // configuration, or when that cannot be told; throws ConfigurationError
    // when the configuration is read-only (no write bit for anyone), as
    // admins make it to keep the game from rewriting it, and OwnershipError
    // when a save would give it to another owner. Only a change asks, or a
    // --strict dry run.
    void RefuseToChange(const gameini::ConfigurationFiles& files) const;
};

#pragma once

#include "gameini/ConfigurationLock.h"
#include "gameini/Error.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>

namespace cli {

// Exit statuses, the same for every command.
enum ExitStatus {
    kDone = 0,
    kProblemsFound = 1,
    kUsage = 2,
    kFileError = 3,
    kGameRunning = 4,
    kBusy = 5, // another program kept the configuration longer than --wait
};

// Why a command refuses what it was asked: the exit status and the kind
// --json gives it, and what a user of the command line can do about it.
struct Refusal : std::runtime_error {
    Refusal(ExitStatus status, const char* kind, const std::string& message,
            std::string advice = "")
        : std::runtime_error(message), status(status), kind(kind), advice(std::move(advice)) {}
    ExitStatus status;
    const char* kind;
    std::string advice;
};

// A mistake in the command's words.
struct UsageError : Refusal {
    explicit UsageError(const std::string& message) : Refusal(kUsage, "usage", message) {}
};

// The game or its server is running and would write its own copy back; or
// it cannot be told.
struct GameRunningError : Refusal {
    GameRunningError(const std::string& message, std::string advice)
        : Refusal(kGameRunning, "game-running", message, std::move(advice)) {}
};

// The configuration is read-only, as admins make it to keep the game from
// rewriting it.
struct ReadOnlyError : Refusal {
    explicit ReadOnlyError(const std::string& message)
        : Refusal(kFileError, "configuration", message, "; use --force to change it anyway") {}
};

// What every command is given: which configuration, whether to go on while
// the game runs, how long to wait for another program, and where its results
// and messages go.
struct Context {
    explicit Context(std::ostream& out = std::cout, std::ostream& err = std::cerr)
        : out(out), err(err) {}

    std::ostream& out;              // results
    std::ostream& err;              // warnings
    std::string systemFolder = "."; // -C: a System folder, whose postal2.ini is meant
    std::string ini;                // -f: any other configuration file
    bool force = false;
    bool quiet = false; // -q: no warnings
    bool json = false;
    bool dryRun = false; // -n: show the change, write nothing
    bool strict = false; // --strict: a dry run refuses what the change would refuse
    bool diff = false;   // --diff: a --json result of a change carries its diff
    double wait = 10;    // --wait: seconds to wait while another program saves
    // The command given, run once every word of the command line is known
    // to be right; it returns the exit status.
    std::function<ExitStatus()> run;
    bool takesNames = false;        // the command takes package names ...
    std::vector<std::string> names; // ... and these are the ones given
    // What a --json result or error carries besides: the warnings given, and
    // the configuration the command works on, once it is found.
    mutable std::vector<std::string> warnings;
    mutable std::string file;

    // Prints "sarvelin-cli: warning: TEXT" on standard error, unless quiet;
    // a --json result carries it too.
    void Warn(const std::string& text) const;
    // Prints a --json result; an object also carries the warnings given.
    void PrintResult(nlohmann::ordered_json result) const;

    // Holds the configuration, found without regard to letter case, for
    // reading or for writing, waiting up to --wait while another program
    // holds it.
    gameini::LockedConfiguration Lock(gameini::Access access) const;
    std::chrono::milliseconds Wait() const;
    // The folder that holds the configuration and its package files: -C's, or -f's file's.
    std::string ConfigurationFolder() const;
    // Unless --force: throws GameRunningError when a game process uses the
    // configuration, or when that cannot be told; throws ReadOnlyError
    // when the configuration is read-only (no write bit for anyone), as
    // admins make it to keep the game from rewriting it, and OwnershipError
    // when a save would give it to another owner. Only a change asks, or a
    // --strict dry run.
    void RefuseToChange(const gameini::ConfigurationFiles& files) const;
};

} // namespace cli

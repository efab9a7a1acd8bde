#include "Context.h"

#include "Error.h"
#include "GamePath.h"
#include "Ownership.h"
#include "RunningGame.h"

#include <cerrno>
#include <filesystem>
#include <iostream>
#include <sys/stat.h>

gameini::LockedConfiguration Context::Lock(gameini::Access access) const {
    return gameini::LockConfiguration(
        Folder(), ini.empty() ? gameini::kConfigurationName : gameini::NameOf(ini), access, Wait());
}

std::chrono::milliseconds Context::Wait() const {
    return std::chrono::milliseconds(static_cast<long long>(wait * 1000));
}

std::string Context::Folder() const {
    if (ini.empty())
        return folder;
    const std::string parent = std::filesystem::path(ini).parent_path().string();
    return parent.empty() ? "." : parent;
}

void Context::Warn(const std::string& text) const {
    if (!quiet)
        err << "sarvelin-cli: warning: " << text << "\n";
}

void Context::RefuseToChange(const gameini::ConfigurationFiles& files) const {
    if (force || (dryRun && !strict))
        return;
    struct stat info;
    if (stat(files.config.c_str(), &info) == 0 && (info.st_mode & 0222) == 0)
        throw gameini::ConfigurationError(gameini::NameOf(files.config) +
                                          " is read-only; use --force to change it anyway");
    if (const auto problem = gameini::OwnershipProblem(files); problem && !files.mounted)
        throw gameini::OwnershipError(*problem);
    const std::string lost = " The game writes its whole configuration back when it quits, so "
                             "this change would be lost. Quit it first, or use --force.";
    std::vector<GameProcess> games;
    try {
        games = GamesUsing(files.config);
    } catch (const gameini::FileError& error) {
        throw GameRunningError(std::string(error.what()) + ". Use --force to change it anyway.");
    }
    if (games.empty())
        return;
    const GameProcess& game = games.front();
    throw GameRunningError(game.name + " (pid " + std::to_string(game.pid) + ") is running with " +
                           files.config + ": " + game.why + "." + lost);
}

#include "cli/Context.h"

#include "cli/Json.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/Ownership.h"
#include "gameini/SystemCalls.h"
#include "locate/RunningGame.h"

#include <cerrno>
#include <iostream>

namespace cli {

gameini::LockedConfiguration Context::Lock(gameini::Access access) const {
    const std::string name =
        ini.empty() ? std::string(gameini::kConfigurationName) : gameini::NameOf(ini);
    file =
        gameini::AbsolutePath(gameini::ResolvePath(gameini::InFolder(ConfigurationFolder(), name)));
    gameini::LockedConfiguration configuration =
        gameini::LockConfiguration(ConfigurationFolder(), name, access, Wait());
    file = gameini::AbsolutePath(configuration.Files().config);
    return configuration;
}

std::chrono::milliseconds Context::Wait() const {
    return std::chrono::milliseconds(static_cast<long long>(wait * 1000));
}

std::string Context::ConfigurationFolder() const {
    if (ini.empty())
        return systemFolder;
    return gameini::FolderOf(ini);
}

void Context::PrintResult(nlohmann::ordered_json result) const {
    if (result.is_object())
        result["warnings"] = warnings;
    PrintJson(out, result);
}

void Context::Warn(const std::string& text) const {
    warnings.push_back(text);
    if (!quiet)
        err << "sarvelin-cli: warning: " << text << "\n";
}

void Context::RefuseToChange(const gameini::ConfigurationFiles& files) const {
    if (force || (dryRun && !strict))
        return;
    if (const std::optional<gameini::FileStatus> status = gameini::StatusOf(files.config);
        status && status->readOnly)
        throw ReadOnlyError(gameini::NameOf(files.config) + " is read-only");
    if (const auto problem = gameini::OwnershipProblem(files);
        problem && files.inPlace == gameini::InPlace::No)
        throw gameini::OwnershipError(*problem);
    std::vector<locate::GameProcess> games;
    try {
        games = locate::GamesUsing(files.config);
    } catch (const gameini::FileError& error) {
        throw GameRunningError(std::string(error.what()) + ".",
                               " Use --force to change it anyway.");
    }
    if (games.empty())
        return;
    const locate::GameProcess& game = games.front();
    throw GameRunningError(game.name + " (pid " + std::to_string(game.pid) + ") is running with " +
                               files.config + ": " + game.why +
                               ". The game writes its whole configuration back when it quits, so "
                               "this change would be lost.",
                           " Quit it first, or use --force.");
}

} // namespace cli

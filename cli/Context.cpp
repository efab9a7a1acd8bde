#include "Context.h"

#include "RunningGame.h"

#include <filesystem>

gameini::ConfigurationFiles Context::Files() const {
    if (ini.empty())
        return gameini::ConfigurationFilesOf(folder, "postal2.ini");
    return gameini::ConfigurationFilesOf(Folder(), std::filesystem::path(ini).filename().string());
}

std::string Context::Folder() const {
    if (ini.empty())
        return folder;
    const std::string parent = std::filesystem::path(ini).parent_path().string();
    return parent.empty() ? "." : parent;
}

void Context::RefuseWhileTheGameRuns() const {
    if (force)
        return;
    if (std::optional<GameProcess> game = FindRunningGame())
        throw GameRunningError(game->name + " is running (pid " + std::to_string(game->pid) +
                               "). The game writes its whole configuration back when it quits, "
                               "so this change would be lost. Quit it first, or use --force.");
}

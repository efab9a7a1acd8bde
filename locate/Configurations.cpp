#include "locate/Configurations.h"

#include "gameini/ConfigurationContents.h"
#include "gameini/ConfigurationFiles.h"
#include "gameini/ConfigurationLock.h"
#include "gameini/Directory.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/SystemCalls.h"
#include "gameini/TextCase.h"

#include <algorithm>
#include <optional>

namespace locate {
namespace {

bool IsTemplate(const std::string& name) {
    const std::string lower = gameini::LowerCase(name);
    return lower == "default.ini" || lower == "defuser.ini";
}

} // namespace

void AddConfigurationsOf(const std::string& folder, std::chrono::milliseconds wait,
                         std::set<std::string>& seen, std::vector<FoundConfiguration>& found) {
    const std::string main =
        gameini::ResolvePath(gameini::InFolder(folder, gameini::kConfigurationName));
    std::vector<std::string> paths{main};
    gameini::Directory dir(folder);
    while (const char* entry = dir.Next()) {
        const std::string path = gameini::InFolder(folder, entry);
        const std::string name = gameini::LowerCase(entry);
        if (name == gameini::kConfigurationName && path != main) {
            // Read by its name, it would be the other one: it is named, not read.
            const std::optional<gameini::FileStatus> info = gameini::StatusOf(path);
            const std::optional<std::string> identity = gameini::RealPath(path);
            if (info && info->IsRegular() && identity && seen.insert(*identity).second)
                found.push_back({path, 0, info->modified, false, main, false, {}});
        } else if (name.ends_with(".ini") && name != gameini::kWorkFileName && path != main) {
            paths.push_back(path);
        }
    }
    std::sort(paths.begin() + 1, paths.end());
    for (const std::string& path : paths) {
        const std::optional<gameini::FileStatus> info = gameini::StatusOf(path);
        const std::optional<std::string> identity = gameini::RealPath(path);
        if (!info || !info->IsRegular() || !identity || seen.contains(*identity))
            continue;
        try {
            const gameini::LockedConfiguration held = gameini::LockConfiguration(
                gameini::FolderOf(path), gameini::NameOf(path), gameini::Access::Read, wait);
            const gameini::ConfigurationContents contents = gameini::ReadConfiguration(path);
            const size_t packages = contents.configured.size();
            if (contents.sectionFound || path == main) {
                seen.insert(*identity);
                found.push_back({path,
                                 packages,
                                 info->modified,
                                 IsTemplate(gameini::NameOf(path)),
                                 "",
                                 false,
                                 {}});
            }
        } catch (const gameini::BusyError&) {
            throw;
        } catch (const std::exception&) {
            // Not readable as a configuration: not one the game uses either.
        }
    }
}

void MarkNewestAndUsers(std::vector<FoundConfiguration>& found,
                        const std::vector<GameProcess>& running) {
    std::optional<int64_t> newest;
    for (const FoundConfiguration& file : found)
        if (!file.isTemplate && file.twinOf.empty() && (!newest || *newest < file.changed))
            newest = file.changed;
    for (FoundConfiguration& file : found) {
        file.newest = !file.isTemplate && file.twinOf.empty() && newest && file.changed >= *newest;
        // A co-op server writes back the configuration its ini= names.
        if (!running.empty() && file.twinOf.empty())
            file.usedBy = GamesUsing(file.path);
    }
}

} // namespace locate

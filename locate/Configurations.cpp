#include "locate/Configurations.h"

#include "gameini/ConfigurationContents.h"
#include "gameini/ConfigurationFiles.h"
#include "gameini/ConfigurationLock.h"
#include "gameini/Directory.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/TextCase.h"

#include <algorithm>
#include <optional>
#include <sys/stat.h>

namespace locate {
namespace {

bool IsTemplate(const std::string& name) {
    const std::string lower = gameini::LowerCase(name);
    return lower == "default.ini" || lower == "defuser.ini";
}

bool Before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
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
            struct stat info;
            const std::optional<std::string> identity = gameini::RealPath(path);
            if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && identity &&
                seen.insert(*identity).second)
                found.push_back({path, 0, info.st_mtim, false, main, false, {}});
        } else if (name.ends_with(".ini") && name != gameini::kWorkFileName && path != main) {
            paths.push_back(path);
        }
    }
    std::sort(paths.begin() + 1, paths.end());
    for (const std::string& path : paths) {
        struct stat info;
        const std::optional<std::string> identity = gameini::RealPath(path);
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !identity ||
            seen.contains(*identity))
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
                                 info.st_mtim,
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
    std::optional<timespec> newest;
    for (const FoundConfiguration& file : found)
        if (!file.isTemplate && file.twinOf.empty() && (!newest || Before(*newest, file.changed)))
            newest = file.changed;
    for (FoundConfiguration& file : found) {
        file.newest =
            !file.isTemplate && file.twinOf.empty() && newest && !Before(file.changed, *newest);
        // A co-op server writes back the configuration its ini= names.
        if (!running.empty() && file.twinOf.empty())
            file.usedBy = GamesUsing(file.path);
    }
}

} // namespace locate

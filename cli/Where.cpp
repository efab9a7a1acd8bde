#include "cli/Commands.h"
#include "cli/Json.h"
#include "gameini/ConfigurationLock.h"
#include "gameini/Directory.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/ServerPackages.h"
#include "gameini/TextCase.h"
#include "locate/Postal2Installs.h"
#include "locate/RunningGame.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <pwd.h>
#include <set>
#include <sys/stat.h>

namespace cli {

namespace {

struct Candidate {
    std::string path;
    size_t packages;
    timespec changed;
    bool isTemplate;    // Default.ini or DefUser.ini: what the game copies, not what it reads
    std::string twinOf; // the configuration the edits use, of which this is a case twin
};

bool IsTemplate(const std::string& name) {
    const std::string lower = gameini::LowerCase(name);
    return lower == "default.ini" || lower == "defuser.ini";
}

// The configurations of one System folder: its postal2.ini in any letter case,
// and every other .ini that has an [Engine.GameEngine] section.
void AddCandidates(const Context& context, const std::string& folder, std::set<std::string>& seen,
                   std::vector<Candidate>& found) {
    const std::string main =
        gameini::ResolvePath(gameini::InFolder(folder, gameini::kConfigurationName));
    std::vector<std::string> paths{main};
    gameini::Directory dir(folder);
    while (const dirent* entry = dir.Next()) {
        const std::string path = gameini::InFolder(folder, entry->d_name);
        const std::string name = gameini::LowerCase(entry->d_name);
        if (name == gameini::kConfigurationName && path != main) {
            // Read by its name, it would be the other one: it is named, not read.
            struct stat info;
            const std::optional<std::string> identity = gameini::RealPath(path);
            if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && identity &&
                seen.insert(*identity).second)
                found.push_back({path, 0, info.st_mtim, false, main});
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
            const gameini::LockedConfiguration held =
                gameini::LockConfiguration(gameini::FolderOf(path), gameini::NameOf(path),
                                           gameini::Access::Read, context.Wait());
            bool section = false;
            const size_t packages = gameini::ReadServerPackages(path, &section).size();
            if (section || path == main) {
                seen.insert(*identity);
                found.push_back(
                    {path, packages, info.st_mtim, IsTemplate(gameini::NameOf(path)), ""});
            }
        } catch (const gameini::BusyError&) {
            throw;
        } catch (const std::exception&) {
            // Not readable as a configuration: not one the game uses either.
        }
    }
}

// HOME=..., and under sudo also the home of the user who ran it, whose
// installs are the ones meant.
struct Home {
    std::string path, said; // and how the message says it
    std::string winePrefix; // WINEPREFIX, for the user running this
};
std::vector<Home> HomesToSearch() {
    std::vector<Home> homes;
    const char* winePrefix = std::getenv("WINEPREFIX");
    if (const char* home = std::getenv("HOME"))
        homes.push_back({home, std::string("HOME=") + home, winePrefix ? winePrefix : ""});
    if (const char* user = std::getenv("SUDO_USER"))
        if (const passwd* entry = getpwnam(user);
            entry && (homes.empty() || homes.front().path != entry->pw_dir))
            homes.push_back({entry->pw_dir, std::string(user) + "'s home " + entry->pw_dir, ""});
    return homes;
}

bool Before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

std::string LocalTime(const timespec& time) {
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::localtime(&time.tv_sec));
    return text;
}

ExitStatus RunWhere(const Context& context) {
    if (!context.ini.empty())
        throw UsageError("where looks for configuration files itself; give it a folder with -C");
    struct stat folder;
    if (stat(context.systemFolder.c_str(), &folder) != 0)
        gameini::ThrowSystemError(errno, "Cannot look in " + context.systemFolder);
    if (!S_ISDIR(folder.st_mode))
        gameini::ThrowSystemError(ENOTDIR, "Cannot look in " + context.systemFolder);
    std::set<std::string> seen;
    std::vector<Candidate> found;
    AddCandidates(context, context.systemFolder, seen, found);
    const std::vector<Home> homes = HomesToSearch();
    for (const Home& home : homes)
        for (const locate::Postal2Install& install :
             locate::FindPostal2Installs(home.path, home.winePrefix))
            AddCandidates(context, install.systemFolder, seen, found);
    if (found.empty()) {
        std::string searched;
        for (const Home& home : homes)
            searched += (searched.empty() ? "" : " and ") + home.said;
        context.err << "sarvelin-cli: no configuration found in " << context.systemFolder
                    << " or under " << (searched.empty() ? "HOME=(not set)" : searched)
                    << ": looked in " << locate::kPostal2InstallPlaces << "\n";
        return kProblemsFound;
    }
    // Every file changed last, to the nanosecond, is the newest; templates never are.
    std::optional<timespec> newest;
    for (const Candidate& candidate : found)
        if (!candidate.isTemplate && candidate.twinOf.empty() &&
            (!newest || Before(*newest, candidate.changed)))
            newest = candidate.changed;
    auto isNewest = [&](const Candidate& candidate) {
        return !candidate.isTemplate && candidate.twinOf.empty() && newest &&
               !Before(candidate.changed, *newest);
    };
    std::vector<locate::GameProcess> games;
    try {
        games = locate::RunningGames();
    } catch (const gameini::FileError&) {
        // Without /proc there is nothing to tell of; the edits refuse then.
    }

    // The servers that write each configuration back: a co-op server its ini=.
    auto usersOf = [&](const Candidate& candidate) {
        return games.empty() || !candidate.twinOf.empty() ? std::vector<locate::GameProcess>{}
                                                          : locate::GamesUsing(candidate.path);
    };
    if (context.json) {
        nlohmann::ordered_json files = nlohmann::ordered_json::array();
        for (const Candidate& candidate : found) {
            nlohmann::ordered_json usedBy = nlohmann::ordered_json::array();
            for (const locate::GameProcess& game : usersOf(candidate))
                usedBy.push_back({{"name", game.name}, {"pid", game.pid}});
            files.push_back({{"path", candidate.path},
                             {"packages", candidate.packages},
                             {"changed", LocalTime(candidate.changed)},
                             {"newest", isNewest(candidate)},
                             {"template", candidate.isTemplate},
                             {"twin_of", TextOrNull(candidate.twinOf)},
                             {"used_by", usedBy}});
        }
        nlohmann::ordered_json running = nlohmann::ordered_json::array();
        for (const locate::GameProcess& game : games)
            running.push_back({{"name", game.name}, {"pid", game.pid}, {"folder", game.folder}});
        context.PrintResult({{"files", files}, {"running", running}});
        return kDone;
    }
    for (const Candidate& candidate : found) {
        if (!candidate.twinOf.empty()) {
            context.out << "  " << candidate.path << "  changed " << LocalTime(candidate.changed)
                        << "  (the same name in other letters; the edits use "
                        << gameini::NameOf(candidate.twinOf) << ", remove the one the game does "
                        << "not read)\n";
            continue;
        }
        context.out << (isNewest(candidate) ? "* " : "  ") << candidate.path << "  "
                    << candidate.packages << (candidate.packages == 1 ? " package" : " packages")
                    << "  changed " << LocalTime(candidate.changed)
                    << (isNewest(candidate)    ? "  (newest)"
                        : candidate.isTemplate ? "  (template)"
                                               : "");
        for (const locate::GameProcess& game : usersOf(candidate))
            context.out << "  (used by " << game.name << ", pid " << game.pid << ")";
        context.out << "\n";
    }
    for (const locate::GameProcess& game : games)
        context.out << "running: " << game.name << " (pid " << game.pid << ", in "
                    << (game.folder.empty() ? "a folder that cannot be read" : game.folder)
                    << "); it writes its configuration back when it quits\n";
    return kDone;
}

} // namespace

void AddWhereCommand(CLI::App& app, Context& context) {
    CLI::App* where = app.add_subcommand(
        "where", "List the configuration files here (or in -C DIR) and in every Postal 2 install "
                 "found");
    OnRun(*where, context, [&context] { return RunWhere(context); });
}

} // namespace cli

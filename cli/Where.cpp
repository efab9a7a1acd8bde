#include "cli/Commands.h"
#include "cli/Json.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/SystemCalls.h"
#include "locate/Configurations.h"
#include "locate/Postal2Installs.h"
#include "locate/RunningGame.h"

#include <cstdlib>
#include <ctime>
#include <iostream>
#ifndef _WIN32
#include <pwd.h>
#endif
#include <set>

namespace cli {

namespace {

// The home folder, and under sudo also the home of the user who ran it,
// whose installs are the ones meant. Windows finds its installs by the
// registry and the drives, the home only shortening what it says.
struct Home {
    std::string path, said; // and how the message says it
    std::string winePrefix; // WINEPREFIX, for the user running this
};
std::vector<Home> HomesToSearch() {
    std::vector<Home> homes;
#ifdef _WIN32
    if (const char* home = std::getenv("USERPROFILE"))
        homes.push_back({home, std::string("USERPROFILE=") + home, ""});
#else
    const char* winePrefix = std::getenv("WINEPREFIX");
    if (const char* home = std::getenv("HOME"))
        homes.push_back({home, std::string("HOME=") + home, winePrefix ? winePrefix : ""});
    if (const char* user = std::getenv("SUDO_USER"))
        if (const passwd* entry = getpwnam(user);
            entry && (homes.empty() || homes.front().path != entry->pw_dir))
            homes.push_back({entry->pw_dir, std::string(user) + "'s home " + entry->pw_dir, ""});
#endif
    return homes;
}

std::string LocalTime(int64_t nanoseconds) {
    const std::time_t seconds = nanoseconds / 1'000'000'000;
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::localtime(&seconds));
    return text;
}

void PrintJson(const Context& context, const std::vector<locate::FoundConfiguration>& found,
               const std::vector<locate::GameProcess>& games) {
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const locate::FoundConfiguration& file : found) {
        nlohmann::ordered_json usedBy = nlohmann::ordered_json::array();
        for (const locate::GameProcess& game : file.usedBy)
            usedBy.push_back({{"name", game.name}, {"pid", game.pid}});
        files.push_back({{"path", file.path},
                         {"packages", file.packages},
                         {"changed", LocalTime(file.changed)},
                         {"newest", file.newest},
                         {"template", file.isTemplate},
                         {"twin_of", TextOrNull(file.twinOf)},
                         {"used_by", usedBy}});
    }
    nlohmann::ordered_json running = nlohmann::ordered_json::array();
    for (const locate::GameProcess& game : games)
        running.push_back({{"name", game.name}, {"pid", game.pid}, {"folder", game.folder}});
    context.PrintResult({{"files", files}, {"running", running}});
}

void PrintText(const Context& context, const std::vector<locate::FoundConfiguration>& found,
               const std::vector<locate::GameProcess>& games) {
    for (const locate::FoundConfiguration& file : found) {
        if (!file.twinOf.empty()) {
            context.out << "  " << file.path << "  changed " << LocalTime(file.changed)
                        << "  (the same name in other letters; the edits use "
                        << gameini::NameOf(file.twinOf) << ", remove the one the game does "
                        << "not read)\n";
            continue;
        }
        context.out << (file.newest ? "* " : "  ") << file.path << "  " << file.packages
                    << (file.packages == 1 ? " package" : " packages") << "  changed "
                    << LocalTime(file.changed)
                    << (file.newest       ? "  (newest)"
                        : file.isTemplate ? "  (template)"
                                          : "");
        for (const locate::GameProcess& game : file.usedBy)
            context.out << "  (used by " << game.name << ", pid " << game.pid << ")";
        context.out << "\n";
    }
    for (const locate::GameProcess& game : games)
        context.out << "running: " << game.name << " (pid " << game.pid << ", in "
                    << (game.folder.empty() ? "a folder that cannot be read" : game.folder)
                    << "); it writes its configuration back when it quits\n";
}

ExitStatus RunWhere(const Context& context) {
    if (!context.ini.empty())
        throw UsageError("where looks for configuration files itself; give it a folder with -C");
    const std::optional<gameini::FileStatus> folder = gameini::StatusOf(context.systemFolder);
    if (!folder)
        gameini::ThrowSystemError(errno, "Cannot look in " + context.systemFolder);
    if (folder->kind != gameini::FileStatus::Kind::Folder)
        gameini::ThrowSystemError(ENOTDIR, "Cannot look in " + context.systemFolder);
    std::set<std::string> seen;
    std::vector<locate::FoundConfiguration> found;
    locate::AddConfigurationsOf(context.systemFolder, context.Wait(), seen, found);
    const std::vector<Home> homes = HomesToSearch();
    for (const Home& home : homes)
        for (const locate::Postal2Install& install :
             locate::FindPostal2Installs(home.path, home.winePrefix))
            locate::AddConfigurationsOf(install.systemFolder, context.Wait(), seen, found);
    if (found.empty()) {
        std::string searched;
        for (const Home& home : homes)
            searched += (searched.empty() ? "" : " and ") + home.said;
        context.err << "sarvelin-cli: no configuration found in " << context.systemFolder
                    << " or under " << (searched.empty() ? "HOME=(not set)" : searched)
                    << ": looked in " << locate::kPostal2InstallPlaces << "\n";
        return kProblemsFound;
    }
    std::vector<locate::GameProcess> games;
    try {
        games = locate::RunningGames();
    } catch (const gameini::FileError&) {
        // Without /proc there is nothing to tell of; the edits refuse then.
    }
    locate::MarkNewestAndUsers(found, games);
    if (context.json)
        PrintJson(context, found, games);
    else
        PrintText(context, found, games);
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

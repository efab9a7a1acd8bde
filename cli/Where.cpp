#include "Commands.h"
#include "ConfigurationLock.h"
#include "Error.h"
#include "GamePath.h"
#include "Json.h"
#include "Postal2Installs.h"
#include "RunningGame.h"
#include "ServerPackages.h"
#include "TextCase.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

struct Candidate {
    std::string path;
    size_t packages;
    timespec changed;
    bool isTemplate; // Default.ini or DefUser.ini: what the game copies, not what it reads
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
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = gameini::LowerCase(it->path().filename().string());
        if (name.ends_with(".ini") && name != gameini::kWorkFileName && it->path() != main)
            paths.push_back(it->path().string());
    }
    std::sort(paths.begin() + 1, paths.end());
    for (const std::string& path : paths) {
        struct stat info;
        std::error_code canonicalError;
        const std::string identity = fs::canonical(path, canonicalError).string();
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || canonicalError ||
            seen.contains(identity))
            continue;
        try {
            const gameini::LockedConfiguration held =
                gameini::LockConfiguration(gameini::FolderOf(path), gameini::NameOf(path),
                                           gameini::Access::Read, context.Wait());
            bool section = false;
            const size_t packages = gameini::ReadServerPackages(path, &section).size();
            if (section || path == main) {
                seen.insert(identity);
                found.push_back(
                    {path, packages, info.st_mtim, IsTemplate(fs::path(path).filename())});
            }
        } catch (const gameini::BusyError&) {
            throw;
        } catch (const std::exception&) {
            // Not readable as a configuration: not one the game uses either.
        }
    }
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
    std::set<std::string> seen;
    std::vector<Candidate> found;
    AddCandidates(context, context.folder, seen, found);
    const char* home = std::getenv("HOME");
    for (const Postal2Install& install : FindPostal2Installs(home ? home : ""))
        AddCandidates(context, install.systemFolder, seen, found);
    if (found.empty()) {
        context.err << "sarvelin-cli: no configuration found in " << context.folder << " or under "
                    << "HOME=" << (home ? home : "(not set)") << ": looked in "
                    << kPostal2InstallPlaces << "\n";
        return kProblemsFound;
    }
    // Every file changed last, to the nanosecond, is the newest; templates never are.
    std::optional<timespec> newest;
    for (const Candidate& candidate : found)
        if (!candidate.isTemplate && (!newest || Before(*newest, candidate.changed)))
            newest = candidate.changed;
    auto isNewest = [&](const Candidate& candidate) {
        return !candidate.isTemplate && newest && !Before(candidate.changed, *newest);
    };
    std::vector<GameProcess> games;
    try {
        games = RunningGames();
    } catch (const gameini::FileError&) {
        // Without /proc there is nothing to tell of; the edits refuse then.
    }

    if (context.json) {
        nlohmann::ordered_json files = nlohmann::ordered_json::array();
        for (const Candidate& candidate : found)
            files.push_back({{"path", candidate.path},
                             {"packages", candidate.packages},
                             {"changed", LocalTime(candidate.changed)},
                             {"newest", isNewest(candidate)},
                             {"template", candidate.isTemplate}});
        nlohmann::ordered_json running = nlohmann::ordered_json::array();
        for (const GameProcess& game : games)
            running.push_back({{"name", game.name}, {"pid", game.pid}, {"folder", game.folder}});
        PrintJson(context.out, {{"files", files}, {"running", running}});
        return kDone;
    }
    for (const Candidate& candidate : found)
        context.out << (isNewest(candidate) ? "* " : "  ") << candidate.path << "  "
                    << candidate.packages << (candidate.packages == 1 ? " package" : " packages")
                    << "  changed " << LocalTime(candidate.changed)
                    << (isNewest(candidate)    ? "  (newest)"
                        : candidate.isTemplate ? "  (template)"
                                               : "")
                    << "\n";
    for (const GameProcess& game : games)
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

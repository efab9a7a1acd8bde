#include "Commands.h"
#include "Error.h"
#include "FolderContents.h"
#include "GamePath.h"
#include "Postal2Installs.h"
#include "RunningGame.h"
#include "ServerPackages.h"
#include "TextCase.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

struct Candidate {
    std::string path;
    size_t packages;
    time_t changed;
};

// The configurations of one System folder: its postal2.ini in any letter case,
// and every other .ini that has an [Engine.GameEngine] section.
void AddCandidates(const std::string& folder, std::set<std::string>& seen,
                   std::vector<Candidate>& found) {
    const std::string main = gameini::ResolvePath(folder + "\\postal2.ini");
    std::vector<std::string> paths{main};
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = gameini::LowerCase(it->path().filename().string());
        if (name.ends_with(".ini") && name != "newp2.ini" && it->path() != main)
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
            bool section = false;
            const size_t packages = gameini::ReadServerPackages(path, &section).size();
            if (section || path == main) {
                seen.insert(identity);
                found.push_back({path, packages, info.st_mtime});
            }
        } catch (const std::exception&) {
            // Not readable as a configuration: not one the game uses either.
        }
    }
}

std::string LocalTime(time_t time) {
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::localtime(&time));
    return text;
}

} // namespace

void AddWhereCommand(CLI::App& app, Context&) {
    auto json = std::make_shared<bool>(false);
    CLI::App* where = app.add_subcommand(
        "where", "List the configuration files here and in every Postal 2 install found");
    where->add_flag("--json", *json, "Print the files as JSON");
    where->callback([json] {
        std::set<std::string> seen;
        std::vector<Candidate> found;
        AddCandidates(fs::current_path().string(), seen, found);
        const char* home = std::getenv("HOME");
        for (const Postal2Install& install : FindPostal2Installs(home ? home : ""))
            AddCandidates(install.systemFolder, seen, found);
        const auto newest = std::max_element(
            found.begin(), found.end(),
            [](const Candidate& a, const Candidate& b) { return a.changed < b.changed; });
        std::vector<GameProcess> games;
        try {
            games = RunningGames();
        } catch (const gameini::FileError&) {
            // Without /proc there is nothing to tell of; the edits refuse then.
        }

        if (*json) {
            nlohmann::ordered_json files = nlohmann::ordered_json::array();
            for (auto it = found.begin(); it != found.end(); ++it)
                files.push_back({{"path", it->path},
                                 {"packages", it->packages},
                                 {"changed", LocalTime(it->changed)},
                                 {"newest", it == newest}});
            nlohmann::ordered_json running = nlohmann::ordered_json::array();
            for (const GameProcess& game : games)
                running.push_back(
                    {{"name", game.name}, {"pid", game.pid}, {"folder", game.folder}});
            std::cout << nlohmann::ordered_json{{"files", files}, {"running", running}}.dump(
                             2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                      << "\n";
            return;
        }
        for (auto it = found.begin(); it != found.end(); ++it)
            std::cout << (it == newest ? "* " : "  ") << it->path << "  " << it->packages
                      << (it->packages == 1 ? " package" : " packages") << "  changed "
                      << LocalTime(it->changed) << (it == newest ? "  (newest)" : "") << "\n";
        for (const GameProcess& game : games)
            std::cout << "running: " << game.name << " (pid " << game.pid << ", in "
                      << (game.folder.empty() ? "a folder that cannot be read" : game.folder)
                      << "); it writes its configuration back when it quits\n";
    });
}

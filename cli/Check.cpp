#include "Commands.h"
#include "GamePath.h"
#include "PackageSearch.h"
#include "SequentialFile.h"
#include "ServerPackages.h"
#include "TextCase.h"

#include <array>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unordered_map>

namespace {

struct Problem {
    int line;
    std::string kind, name, message;
};

// What the scan of the file finds besides the configured packages.
struct Scan {
    std::vector<std::string> paths; // Paths= values
    std::vector<std::pair<int, std::string>> unreadPackageLines;
    bool markHidesHeader = false;
};

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return "";
    return std::string(text.substr(first, text.find_last_not_of(" \t") + 1 - first));
}

Scan ScanFile(const std::string& path) {
    Scan scan;
    gameini::SequentialFile file = gameini::SequentialFile::OpenInput(path);
    gameini::SectionScanner engine;
    for (int number = 1; !file.AtEnd(); ++number) {
        const std::string_view line = file.ReadLine();
        if (number == 1 && gameini::LowerCase(line) == "ï»¿[engine.gameengine]") // a UTF-8 mark
            scan.markHidesHeader = true;
        const gameini::SectionScanner::Line kind = engine.Next(line);
        if (kind == gameini::SectionScanner::Line::SearchPath)
            scan.paths.emplace_back(gameini::SectionScanner::SearchPathOf(line));
        const size_t equals = line.find('=');
        std::string key = std::string(line.substr(0, equals));
        std::erase_if(key, [](char c) { return c == ' ' || c == '\t'; });
        if (engine.InSection() && kind == gameini::SectionScanner::Line::Other &&
            equals != std::string_view::npos && gameini::LowerCase(key) == "serverpackages")
            scan.unreadPackageLines.emplace_back(number, std::string(line));
    }
    file.Close();
    return scan;
}

std::vector<Problem> Check(const Context& context) {
    const gameini::ConfigurationFiles files = context.Files();
    bool section = false;
    const std::vector<gameini::ConfiguredPackage> configured =
        gameini::ReadServerPackages(files.config, &section);
    const Scan scan = ScanFile(files.config);
    std::vector<Problem> problems;
    if (!section)
        problems.push_back(
            {1, "no-section", "",
             scan.markHidesHeader
                 ? "a UTF-8 byte-order mark in front of the first line hides [Engine.GameEngine] "
                   "from the game; save the file without the mark"
                 : "there is no [Engine.GameEngine] section, so the game reads no server "
                   "packages here; add the section"});

    const PackageSearch search(scan.paths, context.Folder());

    std::unordered_map<std::string, int> firstLine; // lower-cased name
    for (const gameini::ConfiguredPackage& package : configured) {
        const std::string line = "ServerPackages=" + package.name;
        auto add = [&](const char* kind, const std::string& message) {
            problems.push_back({package.line, kind, package.name, line + ": " + message});
        };
        auto [first, isFirst] = firstLine.emplace(gameini::LowerCase(package.name), package.line);
        if (!isFirst) {
            add("duplicate", "configured already on line " + std::to_string(first->second) +
                                 "; remove this line");
            continue;
        }
        if (Trimmed(package.name) != package.name) {
            add("blank", "the blank or tab becomes part of the name, which then matches no file; "
                         "remove it");
            continue;
        }
        const std::string_view extension = gameini::PackageExtensionOf(package.name);
        if (!extension.empty() && extension.size() < package.name.size()) {
            add("extension", "the game wants \"" + gameini::PackageNameOf(package.name) +
                                 "\", without \"" + std::string(extension) + "\"");
            continue;
        }
        const std::vector<std::string> files = search.FilesOf(package.name);
        for (const std::string& file : files) {
            const std::vector<std::string> twins = gameini::CaseVariants(file);
            if (twins.size() > 1)
                add("case-twins", gameini::FolderOf(file) + " holds both " + twins[0] + " and " +
                                      twins[1] + "; remove the one not needed");
        }
        if (files.empty())
            add("missing", !search.FollowsPathsEntries()
                               ? "there is no " + package.name +
                                     ".u beside the configuration; "
                                     "install the package or remove "
                                     "this line"
                               : "no Paths= folder of [Core.System] holds this package; install "
                                 "it or remove this line");
    }
    for (const auto& [number, text] : scan.unreadPackageLines) {
        const size_t equals = text.find('=');
        problems.push_back({number, "not-read", Trimmed(text.substr(equals + 1)),
                            text +
                                ": the game does not read this line; write it as "
                                "\"ServerPackages=" +
                                Trimmed(text.substr(equals + 1)) + "\""});
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const Problem& a, const Problem& b) { return a.line < b.line; });
    return problems;
}

} // namespace

void AddCheckCommand(CLI::App& app, Context& context) {
    CLI::App* check = app.add_subcommand(
        "check", "Find the problems that stop players from joining; exit 1 when there are any");
    check->callback([&context] {
        const std::vector<Problem> problems = Check(context);
        if (context.json) {
            nlohmann::ordered_json list = nlohmann::ordered_json::array();
            for (const Problem& problem : problems)
                list.push_back({{"line", problem.line},
                                {"kind", problem.kind},
                                {"name", problem.name},
                                {"message", problem.message}});
            std::cout << list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                      << "\n";
        } else {
            const std::string file = context.Files().config;
            for (const Problem& problem : problems)
                std::cout << file << ":" << problem.line << ": " << problem.kind << ": "
                          << problem.message << "\n";
        }
        context.exitStatus = problems.empty() ? kDone : kProblemsFound;
    });
}

#include "Commands.h"
#include "GamePath.h"
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

// A Paths= entry of [Core.System]: a folder and the extension it holds.
struct SearchPath {
    std::string folder; // as found on disk; empty when it does not exist
    std::string extension;
};

// What the scan of the file finds besides the configured packages.
struct Scan {
    std::vector<std::string> paths; // Paths= values
    std::vector<std::pair<int, std::string>> unreadPackageLines;
    bool markHidesHeader = false;
};

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

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
    bool inSystem = false;
    for (int number = 1; !file.AtEnd(); ++number) {
        const std::string_view line = file.ReadLine();
        const std::string lower = gameini::LowerCase(line);
        if (number == 1 && lower == "ï»¿[engine.gameengine]") // a UTF-8 mark, read as 1252
            scan.markHidesHeader = true;
        const gameini::SectionScanner::Line kind = engine.Next(line);
        if (gameini::IsSectionHeader(line)) {
            inSystem = lower == "[core.system]";
            continue;
        }
        if (inSystem && lower.starts_with("paths="))
            scan.paths.emplace_back(line.substr(6));
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

// Resolves a Paths= entry such as "..\System\*.u" against the configuration's
// folder, each part without regard to letter case, as on the game's home
// platform.
SearchPath Resolve(const std::string& base, const std::string& entry) {
    const size_t last = entry.find_last_of("/\\");
    const std::string pattern = entry.substr(last == std::string::npos ? 0 : last + 1);
    SearchPath path{"", pattern.starts_with("*.") ? pattern.substr(1) : ""};
    std::string folder =
        std::filesystem::absolute(entry.starts_with('/') ? "/" : base).lexically_normal().string();
    if (folder.size() > 1 && folder.ends_with('/'))
        folder.pop_back();
    size_t start = 0;
    while (last != std::string::npos && start < last) {
        size_t end = entry.find_first_of("/\\", start);
        const std::string part = entry.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        folder = part == ".." ? std::filesystem::path(folder).parent_path().string()
                              : gameini::ResolvePath(folder + "\\" + part);
        if (!Exists(folder))
            return path;
    }
    path.folder = folder;
    return path;
}

bool HasPackageExtension(const std::string& name) {
    static constexpr std::array<std::string_view, 6> kExtensions = {".u",   ".uax", ".utx",
                                                                    ".usx", ".ukx", ".fuk"};
    const std::string lower = gameini::LowerCase(name);
    for (std::string_view extension : kExtensions)
        if (lower.ends_with(extension) && lower.size() > extension.size())
            return true;
    return false;
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

    std::vector<SearchPath> searchPaths;
    for (const std::string& entry : scan.paths)
        searchPaths.push_back(Resolve(context.Folder(), entry));
    if (scan.paths.empty())
        searchPaths.push_back({context.Folder(), ".u"});

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
        if (HasPackageExtension(package.name)) {
            const size_t dot = package.name.rfind('.');
            add("extension", "the game wants \"" + package.name.substr(0, dot) + "\", without \"" +
                                 package.name.substr(dot) + "\"");
            continue;
        }
        bool found = false;
        for (const SearchPath& path : searchPaths) {
            if (path.folder.empty() || path.extension.empty())
                continue;
            const std::string file = path.folder + "\\" + package.name + path.extension;
            if (!Exists(gameini::ResolvePath(file)))
                continue;
            found = true;
            const std::vector<std::string> twins = gameini::CaseVariants(file);
            if (twins.size() > 1)
                add("case-twins", path.folder + " holds both " + twins[0] + " and " + twins[1] +
                                      "; remove the one not needed");
        }
        if (!found)
            add("missing", scan.paths.empty()
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
    auto json = std::make_shared<bool>(false);
    CLI::App* check = app.add_subcommand(
        "check", "Find the problems that stop players from joining; exit 1 when there are any");
    check->add_flag("--json", *json, "Print the problems as a JSON list");
    check->callback([&context, json] {
        const std::vector<Problem> problems = Check(context);
        if (*json) {
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

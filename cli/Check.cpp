#include "cli/Commands.h"
#include "cli/EditCommand.h"
#include "cli/Json.h"
#include "gameini/EditPolicies.h"
#include "gameini/GamePath.h"
#include "gameini/LineRules.h"
#include "gameini/PackageNames.h"
#include "gameini/SearchPathList.h"
#include "gameini/SequentialFile.h"
#include "gameini/ServerPackages.h"
#include "gameini/TextCase.h"
#include "locate/PackageFiles.h"
#include "locate/PackageSearch.h"

#include <iostream>
#include <unordered_map>

namespace cli {

namespace {

struct Problem {
    int line;
    std::string kind, name, message;
};

// What one pass over the file finds.
struct Scan {
    gameini::Encoding encoding;
    std::vector<gameini::ConfiguredPackage> configured;
    bool sectionFound = false;
    std::vector<std::string> paths; // Paths= values
    std::vector<std::pair<int, std::string>> unreadPackageLines;
    std::vector<std::pair<int, std::string>> serverActors; // ServerActors= values
    std::unordered_map<std::string, std::string> remap;    // [PackageRemap], lower-cased old name
    bool markHidesHeader = false;
};

Scan ScanFile(const std::string& path) {
    using Scanner = gameini::SectionScanner;
    Scan scan;
    gameini::SequentialFile file = gameini::SequentialFile::OpenInput(path);
    Scanner scanner(Scanner::kSearchPaths | Scanner::kActorsAndRemaps);
    gameini::SearchPathList paths;
    for (int number = 1; !file.AtEnd(); ++number) {
        const Scanner::Line kind = scanner.Next(file.ReadLineUndecoded());
        const std::string_view line = file.LastLineText();
        switch (kind) {
        case Scanner::Line::GameEngineHeader:
            scan.sectionFound = true;
            break;
        case Scanner::Line::HiddenGameEngineHeader:
            scan.markHidesHeader = true;
            break;
        case Scanner::Line::PackageLine:
            scan.configured.push_back({std::string(Scanner::PackageOf(line)), number});
            break;
        case Scanner::Line::UnreadPackageLine:
            scan.unreadPackageLines.emplace_back(number, std::string(line));
            break;
        case Scanner::Line::SearchPath:
            paths.Add(Scanner::SearchPathOf(line));
            break;
        case Scanner::Line::ServerActor:
            scan.serverActors.emplace_back(number, Scanner::ServerActorOf(line));
            break;
        case Scanner::Line::PackageRemap: {
            const auto [from, to] = Scanner::RemapOf(line);
            scan.remap[gameini::LowerCase(from)] = to;
            break;
        }
        case Scanner::Line::Other:
            break;
        }
    }
    scan.paths = paths.Take();
    scan.encoding = file.Format().encoding;
    file.Close();
    return scan;
}

// What a configured package's own file says: whether it is a package, and
// whether players can load what it imports.
template <class Remapped, class Add>
void CheckImports(const std::string& name, const std::string& file,
                  const locate::PackageSearch& search, locate::PackageFiles& packageFiles,
                  const Remapped& remapped, const Add& add) {
    const gameini::PackageRead& read = packageFiles.Read(file);
    if (const auto* damage = std::get_if<gameini::PackageDamage>(&read)) {
        add("damaged", gameini::NameOf(file) + " is not a package file or is damaged (" +
                           damage->reason + ")");
        return;
    }
    const gameini::PackageFacts& facts = std::get<gameini::PackageFacts>(read);
    if (!(facts.flags & gameini::kAllowDownload))
        add("not-downloadable", name +
                                    " lacks the AllowDownload flag, so a player without it is "
                                    "refused (\"Downloading '" +
                                    name + "' not allowed\")");
    for (const std::string& import : facts.imports) {
        const std::string wanted = remapped(import);
        const std::vector<std::string> found = search.FilesOf(wanted);
        if (found.empty()) {
            add("missing-import", name + " imports " + wanted +
                                      ", which no Paths= folder holds; players cannot load " +
                                      name);
            continue;
        }
        const auto* imported =
            std::get_if<gameini::PackageFacts>(&packageFiles.Read(found.front()));
        if (imported && (imported->flags & gameini::kServerSideOnly))
            add("server-only-import", name + " imports " + wanted +
                                          ", which is marked server-side only; players never "
                                          "receive " +
                                          wanted + ", so they cannot load " + name);
        else if (imported && !(imported->flags & gameini::kAllowDownload))
            add("not-downloadable", name + " imports " + wanted +
                                        ", which lacks the AllowDownload flag, so a player "
                                        "without it is refused (\"Downloading '" +
                                        wanted + "' not allowed\")");
    }
}

std::vector<Problem> Check(const Context& context, const gameini::ConfigurationFiles& files) {
    const Scan scan = ScanFile(files.config);
    std::vector<Problem> problems;
    if (!scan.sectionFound)
        problems.push_back(
            {1, "no-section", "",
             scan.markHidesHeader
                 ? "a UTF-8 byte-order mark in front of the first line hides [Engine.GameEngine] "
                   "from the game; save the file without the mark"
                 : "there is no [Engine.GameEngine] section, so the game reads no server "
                   "packages here; add the section"});

    if (const std::vector<std::string> twins = gameini::CaseVariants(files.config);
        twins.size() > 1)
        problems.push_back({1, "case-twins", "",
                            gameini::FolderOf(files.config) + " holds both " + twins[0] + " and " +
                                twins[1] + ": the edits use " + gameini::NameOf(files.config) +
                                "; remove the one the game does not read"});

    const locate::PackageSearch search(scan.paths, context.ConfigurationFolder());
    locate::PackageFiles packageFiles;
    auto remapped = [&](const std::string& name) {
        const auto to = scan.remap.find(gameini::LowerCase(name));
        return to == scan.remap.end() ? name : to->second;
    };

    std::unordered_map<std::string, int> firstLine; // lower-cased name
    for (const gameini::ConfiguredPackage& package : scan.configured) {
        const std::string line = gameini::PackageLine(package.name);
        auto add = [&](const char* kind, const std::string& message) {
            problems.push_back({package.line, kind, package.name, line + ": " + message});
        };
        auto [first, isFirst] = firstLine.emplace(gameini::LowerCase(package.name), package.line);
        if (!isFirst) {
            add("duplicate", "configured already on line " + std::to_string(first->second) +
                                 "; remove this line");
            continue;
        }
        const auto problem = gameini::PackageNameProblem(package.name, scan.encoding);
        if (problem && problem->kind == gameini::NameProblem::Kind::Blank) {
            add("blank", "the blank or tab becomes part of the name, which then matches no file; "
                         "remove it");
            continue;
        }
        if (problem) {
            add("bad-name", problem->text + ", so no package has this name");
            continue;
        }
        const std::string_view extension = gameini::PackageExtensionOf(package.name);
        if (!extension.empty() && extension.size() < package.name.size()) {
            add("extension", "the game wants \"" + gameini::PackageNameOf(package.name) +
                                 "\", without \"" + std::string(extension) + "\"");
            continue;
        }
        const std::vector<locate::PackageSearch::Found> found = search.Find(package.name);
        for (const locate::PackageSearch::Found& file : found)
            if (file.variants.size() > 1)
                add("case-twins", gameini::FolderOf(file.path) + " holds both " + file.variants[0] +
                                      " and " + file.variants[1] + "; remove the one not needed");
        if (!found.empty())
            CheckImports(package.name, found.front().path, search, packageFiles, remapped, add);
        else
            add("missing", !search.FollowsPathsEntries()
                               ? "there is no " + package.name +
                                     ".u beside the configuration; "
                                     "install the package or remove "
                                     "this line"
                               : "no Paths= folder of [Core.System] holds this package; install "
                                 "it or remove this line");
    }
    for (const auto& [number, text] : scan.unreadPackageLines) {
        const std::string name(gameini::TrimmedBlanks(text.substr(text.find('=') + 1)));
        problems.push_back({number, "not-read", name,
                            text + ": the game does not read this line; write it as \"" +
                                gameini::PackageLine(name) + "\""});
    }
    for (const auto& [number, value] : scan.serverActors) {
        // "IpDrv.UdpServerUplink MasterServerAddress=...": a class, then its settings.
        const std::string actor = value.substr(0, value.find_first_of(" \t"));
        const std::string package = actor.substr(0, actor.find('.'));
        if (search.FilesOf(package).empty())
            problems.push_back({number, "actor-missing", package,
                                "ServerActors=" + value + ": the server cannot start " + actor +
                                    ": no Paths= folder holds " + package});
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const Problem& a, const Problem& b) { return a.line < b.line; });
    return problems;
}

} // namespace

void AddCheckCommand(CLI::App& app, Context& context) {
    CLI::App* check = app.add_subcommand(
        "check", "Find the problems that stop players from joining; exit 1 when there are any");
    auto fix = std::make_shared<bool>(false);
    check->add_flag("--fix", *fix,
                    "Mend what needs no person: extensions, blanks, repeats and lines the "
                    "game does not read");
    OnRun(*check, context, [&context, fix] {
        if (*fix) {
            RunChange(context, "fixed",
                      SavedBy(context, [&context](const gameini::ConfigurationContents& contents) {
                          return gameini::FixPackageLines([&](int line, const std::string& why) {
                              context.Warn(contents.path + ":" + std::to_string(line) + ": " + why);
                          })(contents);
                      }));
            return kDone;
        }
        const gameini::LockedConfiguration configuration = context.Lock(gameini::Access::Read);
        const gameini::ConfigurationFiles& files = configuration.Files();
        const std::vector<Problem> problems = Check(context, files);
        if (context.json) {
            nlohmann::ordered_json list = nlohmann::ordered_json::array();
            for (const Problem& problem : problems)
                list.push_back({{"line", problem.line},
                                {"kind", problem.kind},
                                {"name", problem.name},
                                {"message", problem.message}});
            context.PrintResult(list);
        } else {
            for (const Problem& problem : problems)
                context.out << files.config << ":" << problem.line << ": " << problem.kind << ": "
                            << problem.message << "\n";
        }
        return problems.empty() ? kDone : kProblemsFound;
    });
}

} // namespace cli

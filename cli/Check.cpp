#include "cli/Commands.h"
#include "cli/EditCommand.h"
#include "cli/Json.h"
#include "gameini/ConfigurationContents.h"
#include "gameini/EditPolicies.h"
#include "gameini/GamePath.h"
#include "gameini/LineRules.h"
#include "gameini/PackageNames.h"
#include "gameini/ProblemKind.h"
#include "gameini/TextCase.h"
#include "locate/PackageReadCache.h"
#include "locate/PackageSearch.h"
#include "locate/Workshop.h"
#include "redirect/DownloadSet.h"
#include "redirect/RedirectCheck.h"
#include "redirect/UrlCheck.h"

#include <iostream>
#include <unordered_map>

namespace cli {

namespace {

struct Problem {
    int line;
    gameini::ProblemKind kind;
    std::string name, message;
};

// The path as the user's shell takes it. Windows' shells (cmd, PowerShell)
// take a backslash as it is and no single quotes; a path holds no '"' there.
std::string ShellWord(const std::string& path) {
#ifdef _WIN32
    const bool plain = path.find_first_of(" \t&|()<>^%;,=`$'") == std::string::npos;
    return plain ? path : '"' + path + '"';
#else
    std::string quoted = "'";
    for (const char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    const bool plain = path.find_first_of(" \t'\"\\$`;&|()<>*?[]#~") == std::string::npos;
    return plain ? path : quoted + "'";
#endif
}

// The command line that does `words` to the configuration, as a hint gives it.
std::string Command(const std::string& config, const std::string& words) {
    return "sarvelin-cli -f " + ShellWord(config) + " " + words;
}

// The configured packages by the package each means, lower-cased: the first
// line of each, where what it brings in is reported.
using ConfiguredLines = std::unordered_map<std::string, const gameini::ConfiguredPackage*>;

// What keeps players from loading a configured package: whatever it needs,
// all the way down its imports, that players cannot get, on its line. Maps
// and what they bring in are check --redirect's.
void CheckWhatPlayersNeed(const redirect::DownloadSet& set, const ConfiguredLines& configured,
                          std::vector<Problem>& problems) {
    auto add = [&](const std::string& neededBy, gameini::ProblemKind kind,
                   const std::string& message) {
        const auto found = configured.find(gameini::LowerCase(neededBy));
        if (found == configured.end())
            return;
        const gameini::ConfiguredPackage& package = *found->second;
        problems.push_back({package.line, kind, package.name,
                            gameini::PackageLine(package.name) + ": " + message});
    };
    for (const redirect::Download& download : set.packages) {
        const std::string& name = download.name;
        const std::string imported =
            download.importer.empty() ? name : download.importer + " imports " + name + ", which";
        if (download.action == redirect::Action::ServerOnly && !download.importer.empty())
            add(download.neededBy, gameini::ProblemKind::ServerOnlyImport,
                imported + " is marked server-side only; players never receive " + name +
                    ", so they cannot load " + download.neededBy);
        else if (download.action == redirect::Action::NotDownloadable)
            add(download.neededBy, gameini::ProblemKind::NotDownloadable,
                imported +
                    " lacks the AllowDownload flag, so a player without it is refused "
                    "(\"Downloading '" +
                    name + "' not allowed\")");
    }
    for (const redirect::DownloadProblem& problem : set.problems) {
        switch (problem.kind) {
        case redirect::DownloadProblem::Kind::Missing:
            if (!problem.importer.empty()) // a configured one is "missing" on its own line
                add(problem.neededBy, gameini::ProblemKind::MissingImport,
                    problem.importer + " imports " + problem.name +
                        ", which no Paths= folder holds; players cannot load " + problem.neededBy);
            break;
        case redirect::DownloadProblem::Kind::Damaged:
            add(problem.neededBy, gameini::ProblemKind::Damaged,
                gameini::NameOf(problem.file) + " is not a package file or is damaged (" +
                    problem.reason + ")");
            break;
        case redirect::DownloadProblem::Kind::Unreadable:
            add(problem.neededBy, gameini::ProblemKind::Unreadable,
                problem.file + " cannot be read (" + problem.reason +
                    "), so the server cannot send it");
            break;
        }
    }
}

// What to do about a problem of the redirect folder.
std::string RedirectAdvice(gameini::ProblemKind kind, const std::string& folder) {
    switch (kind) {
    case gameini::ProblemKind::RedirectMissing:
    case gameini::ProblemKind::RedirectStale:
        return "; run sarvelin-cli redirect " + folder;
    case gameini::ProblemKind::RedirectOversize:
        return "; run sarvelin-cli redirect " + folder +
               " again, which deletes it, and players get the package from the game server";
    default:
        return "";
    }
}

// The redirect's problems, each on the line of the configured package that
// brings its package in; a map's on line 1.
void AddOnTheirLines(const std::vector<redirect::RedirectProblem>& found,
                     const ConfiguredLines& configured, std::vector<Problem>& problems,
                     const std::string& folder = "") {
    for (const redirect::RedirectProblem& problem : found) {
        const auto line = configured.find(gameini::LowerCase(problem.neededBy));
        problems.push_back({line == configured.end() ? 1 : line->second->line, problem.kind,
                            problem.name, problem.message + RedirectAdvice(problem.kind, folder)});
    }
}

// What keeps players from getting the packages from the redirect folder, and
// the settings that keep the game from sending them there.
void CheckRedirect(const Context& context, const gameini::ConfigurationContents& setup,
                   const std::string& folder, const redirect::DownloadSet& set,
                   const ConfiguredLines& configured, std::vector<Problem>& problems) {
    const std::string url = setup.Setting("[IpDrv.HTTPDownload]", "RedirectToURL").value_or("");
    if (url.empty() || !url.ends_with('/'))
        context.Warn("RedirectToURL= of [IpDrv.HTTPDownload] is \"" + url +
                     "\": set it to the web address that serves " + folder + ", ending in \"/\"");
    if (gameini::LowerCase(setup.Setting("[IpDrv.HTTPDownload]", "UseCompression").value_or("")) !=
        "true")
        context.Warn("UseCompression= of [IpDrv.HTTPDownload] is not True, so players ask for "
                     "the packages themselves, not their .uz2 files");
    AddOnTheirLines(redirect::CheckRedirectFolder(set, folder), configured, problems, folder);
}

// What players get from the web server RedirectToURL= names, or `url`.
void CheckRedirectUrl(const gameini::ConfigurationContents& setup, std::string url,
                      const redirect::DownloadSet& set, const ConfiguredLines& configured,
                      std::vector<Problem>& problems) {
    if (url.empty())
        url = setup.Setting("[IpDrv.HTTPDownload]", "RedirectToURL").value_or("");
    if (url.empty())
        throw UsageError("RedirectToURL= of [IpDrv.HTTPDownload] is empty; give the web address "
                         "players download from: check --redirect-url URL");
    AddOnTheirLines(redirect::CheckRedirectUrl(set, url), configured, problems);
}

// A Paths= line into a Workshop item whose folder is gone, with the
// configured packages no Paths= folder holds now: most likely the item's.
void CheckWorkshopItems(const std::string& config, const gameini::ConfigurationContents& setup,
                        const locate::PackageSearch& search, std::vector<Problem>& problems) {
    const locate::Workshop workshop = locate::WorkshopOf(setup, gameini::FolderOf(config));
    std::vector<std::string> lost;
    for (const gameini::ConfiguredPackage& package : setup.configured)
        if (search.Find(package.name).empty())
            lost.push_back(package.name);
    std::string lostText;
    for (const std::string& name : lost)
        lostText += (lostText.empty() ? "" : ", ") + name;
    gameini::PackageSet reported; // each item once, on its first line
    for (const gameini::SearchPathLine& line : setup.searchPathLines) {
        const std::optional<std::string> id = locate::ItemOfSearchPath(line.entry, workshop);
        if (!id || locate::FindWorkshopItem(workshop, *id) || !reported.Insert(*id))
            continue;
        problems.push_back(
            {line.line, gameini::ProblemKind::WorkshopMissing, *id,
             "Paths=" + line.entry + ": the Workshop item " + *id + " is gone" +
                 (lost.empty() ? "" : "; no folder holds the configured " + lostText) +
                 "; subscribe to it again, or run " + Command(config, "workshop remove " + *id)});
    }
}

// What stands in the way of the whole file: no section, or a case twin.
void CheckFile(const std::string& config, const gameini::ConfigurationContents& setup,
               std::vector<Problem>& problems) {
    if (!setup.sectionFound)
        problems.push_back(
            {1, gameini::ProblemKind::NoSection, "",
             setup.markHidesHeader
                 ? "a UTF-8 byte-order mark in front of the first line hides [Engine.GameEngine] "
                   "from the game; save the file without the mark"
                 : "there is no [Engine.GameEngine] section, so the game reads no server "
                   "packages here; add the section"});

    if (const std::vector<std::string> twins = gameini::CaseVariants(config); twins.size() > 1)
        problems.push_back({1, gameini::ProblemKind::CaseTwins, "",
                            gameini::FolderOf(config) + " holds both " + twins[0] + " and " +
                                twins[1] + ": the edits use " + gameini::NameOf(config) +
                                "; remove the one the game does not read"});
}

// Each package line: a repeat, a name the game cannot find, no file.
void CheckPackageLines(const std::string& config, const gameini::ConfigurationContents& setup,
                       const locate::PackageSearch& search, std::vector<Problem>& problems) {
    std::unordered_map<std::string, int> firstLine; // lower-cased name
    for (const gameini::ConfiguredPackage& package : setup.configured) {
        const std::string line = gameini::PackageLine(package.name);
        auto add = [&](gameini::ProblemKind kind, const std::string& message) {
            problems.push_back({package.line, kind, package.name, line + ": " + message});
        };
        const std::string removeIt =
            "remove it: " + Command(config, "remove --line " + std::to_string(package.line));
        const std::string fixIt = Command(config, "check --fix") + " mends it";
        auto [first, isFirst] = firstLine.emplace(gameini::LowerCase(package.name), package.line);
        if (!isFirst) {
            add(gameini::ProblemKind::Duplicate,
                "configured already on line " + std::to_string(first->second) + "; " + removeIt +
                    ", or run " + Command(config, "check --fix"));
            continue;
        }
        const auto problem = gameini::PackageNameProblem(package.name, setup.encoding);
        if (problem && problem->kind == gameini::NameProblem::Kind::Blank) {
            add(gameini::ProblemKind::Blank,
                "the blank or tab becomes part of the name, which then matches no file; " + fixIt);
            continue;
        }
        if (problem) {
            add(gameini::ProblemKind::BadName,
                problem->text + ", so no package has this name; " + removeIt);
            continue;
        }
        const std::string_view extension = gameini::PackageExtensionOf(package.name);
        if (!extension.empty() && extension.size() < package.name.size()) {
            add(gameini::ProblemKind::Extension,
                "the game wants \"" + gameini::PackageNameOf(package.name) + "\", without \"" +
                    std::string(extension) + "\"; " + fixIt);
            continue;
        }
        const std::vector<locate::PackageSearch::Found> found = search.Find(package.name);
        for (const locate::PackageSearch::Found& file : found)
            if (file.variants.size() > 1)
                add(gameini::ProblemKind::CaseTwins,
                    gameini::FolderOf(file.path) + " holds both " + file.variants[0] + " and " +
                        file.variants[1] + "; remove the one not needed");
        if (found.empty())
            add(gameini::ProblemKind::Missing,
                !search.FollowsPathsEntries()
                    ? "there is no " + package.name +
                          ".u beside the configuration; "
                          "install the package or remove "
                          "this line"
                    : "no Paths= folder of [Core.System] holds this package; install "
                      "it or remove this line");
    }
}

// The lines the game does not read, and server actors without their package.
void CheckOtherLines(const gameini::ConfigurationContents& setup,
                     const locate::PackageSearch& search, std::vector<Problem>& problems) {
    for (const auto& [text, number] : setup.unread) {
        const std::string name(gameini::SectionScanner::UnreadPackageOf(text));
        problems.push_back({number, gameini::ProblemKind::NotRead, name,
                            text + ": the game does not read this line; write it as \"" +
                                gameini::PackageLine(name) + "\""});
    }
    for (const auto& [value, number] : setup.serverActors) {
        // "IpDrv.UdpServerUplink MasterServerAddress=...": a class, then its settings.
        const std::string actor = value.substr(0, value.find_first_of(" \t"));
        const std::string package = actor.substr(0, actor.find('.'));
        if (search.FilesOf(package).empty())
            problems.push_back({number, gameini::ProblemKind::ActorMissing, package,
                                "ServerActors=" + value + ": the server cannot start " + actor +
                                    ": no Paths= folder holds " + package});
    }
}

std::vector<Problem> Check(const Context& context, const gameini::ConfigurationFiles& files,
                           const std::string& redirectFolder,
                           const std::optional<std::string>& redirectUrl) {
    const gameini::ConfigurationContents setup =
        gameini::ReadConfiguration(files.config, gameini::ReadDepth::Everything);
    std::vector<Problem> problems;
    CheckFile(files.config, setup, problems);
    const locate::PackageSearch search(setup.searchPaths, context.ConfigurationFolder());
    CheckPackageLines(files.config, setup, search, problems);
    CheckOtherLines(setup, search, problems);
    CheckWorkshopItems(files.config, setup, search, problems);
    // Every package a joining player may need, as redirect finds them.
    locate::PackageReadCache readCache;
    const redirect::DownloadSet set =
        redirect::PackagesPlayersNeed(setup, search, {}, {}, readCache);
    ConfiguredLines configured;
    for (const gameini::ConfiguredPackage& package : setup.configured)
        configured.emplace(gameini::LowerCase(gameini::PackageMeantBy(package.name)), &package);
    CheckWhatPlayersNeed(set, configured, problems);
    if (!redirectFolder.empty())
        CheckRedirect(context, setup, redirectFolder, set, configured, problems);
    if (redirectUrl)
        CheckRedirectUrl(setup, *redirectUrl, set, configured, problems);
    std::stable_sort(problems.begin(), problems.end(),
                     [](const Problem& a, const Problem& b) { return a.line < b.line; });
    return problems;
}

// Why check --fix leaves a line as it is.
std::string LeftAloneText(gameini::ProblemKind kind, const std::string& detail) {
    return kind == gameini::ProblemKind::BadName
               ? "left as it is (" + detail + ")"
               : "left as it is, as " + detail + " is configured already";
}

} // namespace

void AddCheckCommand(CLI::App& app, Context& context) {
    CLI::App* check = app.add_subcommand(
        "check", "Find the problems that stop players from joining; exit 1 when there are any");
    auto fix = std::make_shared<bool>(false);
    check->add_flag("--fix", *fix,
                    "Mend what needs no person: extensions, blanks, repeats and lines the "
                    "game does not read");
    auto redirectFolder = std::make_shared<std::string>();
    check
        ->add_option("--redirect", *redirectFolder,
                     "Also check the redirect folder DIR that players download packages from")
        ->type_name("DIR");
    auto redirectUrl = std::make_shared<std::string>();
    CLI::Option* urlGiven =
        check
            ->add_option("--redirect-url", *redirectUrl,
                         "Also fetch what joining players fetch from the web server at URL "
                         "(default: RedirectToURL=)")
            ->expected(0, 1)
            ->type_name("[URL]");
    OnRun(*check, context, [&context, fix, redirectFolder, redirectUrl, urlGiven] {
        if (*fix) {
            RunChange(context, "fixed",
                      SavedBy(context, [&context](const gameini::ConfigurationContents& contents) {
                          return gameini::FixPackageLines(
                              [&](int line, gameini::ProblemKind kind, const std::string& detail) {
                                  context.Warn(contents.path + ":" + std::to_string(line) + ": " +
                                               std::string(gameini::KindName(kind)) + ": " +
                                               LeftAloneText(kind, detail));
                              })(contents);
                      }));
            return kDone;
        }
        const gameini::LockedConfiguration configuration = context.Lock(gameini::Access::Read);
        const gameini::ConfigurationFiles& files = configuration.Files();
        const std::vector<Problem> problems =
            Check(context, files, *redirectFolder,
                  urlGiven->count() > 0 ? std::optional<std::string>(*redirectUrl) : std::nullopt);
        if (context.json) {
            nlohmann::ordered_json list = nlohmann::ordered_json::array();
            for (const Problem& problem : problems)
                list.push_back({{"line", problem.line},
                                {"kind", gameini::KindName(problem.kind)},
                                {"name", problem.name},
                                {"message", problem.message}});
            context.PrintResult(
                {{"file", gameini::AbsolutePath(files.config)}, {"problems", list}});
        } else {
            for (const Problem& problem : problems)
                context.out << files.config << ":" << problem.line << ": "
                            << gameini::KindName(problem.kind) << ": " << problem.message << "\n";
        }
        return problems.empty() ? kDone : kProblemsFound;
    });
}

} // namespace cli

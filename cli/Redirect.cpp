#include "cli/Commands.h"
#include "gameini/ConfigurationContents.h"
#include "gameini/GamePath.h"
#include "redirect/RedirectFolder.h"
#include "redirect/Uz2.h"
#include "redirect/Uz2Compressor.h"

#include <chrono>
#include <iomanip>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace cli {

namespace {

using redirect::RedirectOutcome;

// "181.2 MB", or "4.8 KB" below a megabyte.
std::string SizeText(uint64_t bytes) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1);
    if (bytes < 1000000)
        text << static_cast<double>(bytes) / 1e3 << " KB";
    else
        text << static_cast<double>(bytes) / 1e6 << " MB";
    return text.str();
}

std::string Duration(double seconds) {
    const auto whole = static_cast<long long>(seconds + 0.5);
    std::ostringstream text;
    if (whole >= 3600)
        text << whole / 3600 << " h " << whole % 3600 / 60 << " min";
    else if (whole >= 60)
        text << whole / 60 << " min " << whole % 60 << " s";
    else
        text << whole << " s";
    return text.str();
}

// A line on a terminal that says how far the run is, rewritten in place.
class ProgressLine {
public:
    ProgressLine(std::ostream& terminal, bool shown)
        : terminal_(terminal), shown_(shown), start_(std::chrono::steady_clock::now()) {}
    ~ProgressLine() {
        if (shown_ && drawn_)
            terminal_ << "\r\033[K" << std::flush;
    }
    void Show(size_t done, size_t count, uint64_t bytesDone, uint64_t bytesAll) {
        if (!shown_)
            return;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double rate = seconds > 0 ? static_cast<double>(bytesDone) / seconds : 0;
        const double left = rate > 0 ? static_cast<double>(bytesAll - bytesDone) / rate : 0;
        terminal_ << "\r\033[K" << done << "/" << count << " files, " << SizeText(bytesDone)
                  << " of " << SizeText(bytesAll) << ", " << SizeText(static_cast<uint64_t>(rate))
                  << "/s, " << Duration(left) << " left" << std::flush;
        drawn_ = true;
    }

private:
    std::ostream& terminal_;
    bool shown_, drawn_ = false;
    std::chrono::steady_clock::time_point start_;
};

nlohmann::ordered_json ResultJson(const std::string& folder, const redirect::RedirectResult& result,
                                  bool deleted) {
    nlohmann::ordered_json packages = nlohmann::ordered_json::array();
    for (const RedirectOutcome& outcome : result.packages) {
        packages.push_back({{"name", outcome.name},
                            {"file", outcome.file},
                            {"uz2", outcome.uz2},
                            {"size", outcome.size},
                            {"compressed", outcome.compressed},
                            {"action", redirect::FateName(outcome.fate)}});
        if (!outcome.problem.empty())
            packages.back()["problem"] = outcome.problem;
    }
    return {{"dir", folder},
            {"packages", packages},
            {"unneeded", result.unneeded},
            {"deleted", deleted},
            {"not_made_here", result.notMadeHere},
            {"bytes_in", result.bytesIn},
            {"bytes_out", result.bytesOut}};
}

// What became of a package: "written", "not-downloadable", ...; in a dry run
// "to write" for what would be written.
std::string Word(RedirectOutcome::Fate fate, bool dryRun) {
    return dryRun && fate == RedirectOutcome::Fate::Written ? "to write" : redirect::FateName(fate);
}

// "written 12, unchanged 230, oversize 1, not downloadable 3, 181.2 MB → 64.0 MB"
std::string Summary(const redirect::RedirectResult& result, bool dryRun) {
    std::map<RedirectOutcome::Fate, size_t> counts;
    for (const RedirectOutcome& outcome : result.packages)
        ++counts[outcome.fate];
    std::string text;
    for (const auto done : {RedirectOutcome::Fate::Written, RedirectOutcome::Fate::Unchanged,
                            RedirectOutcome::Fate::Oversize, RedirectOutcome::Fate::NotDownloadable,
                            RedirectOutcome::Fate::ServerOnly, RedirectOutcome::Fate::Excluded,
                            RedirectOutcome::Fate::Unreadable}) {
        if (counts[done] == 0 && done != RedirectOutcome::Fate::Written)
            continue;
        std::string word = Word(done, dryRun);
        std::replace(word.begin(), word.end(), '-', ' ');
        text += (text.empty() ? "" : ", ") + word + " " + std::to_string(counts[done]);
    }
    if (dryRun) // nothing compressed, so no size to give
        return text + ", " + SizeText(result.bytesIn);
    return text + ", " + SizeText(result.bytesIn) + " → " + SizeText(result.bytesOut);
}

// "Gone: no Paths= folder holds it (Mod imports it)"
std::string ProblemText(const redirect::DownloadProblem& problem) {
    switch (problem.kind) {
    case redirect::DownloadProblem::Kind::Missing:
        return problem.name + ": no Paths= folder holds it (" +
               (problem.importer.empty()      ? std::string("configured")
                : problem.importer == "--map" ? problem.importer
                                              : problem.importer + " imports it") +
               ")";
    case redirect::DownloadProblem::Kind::Damaged:
        return gameini::NameOf(problem.file) + " is not a package file or is damaged (" +
               problem.reason + ")";
    case redirect::DownloadProblem::Kind::Unreadable:
        break;
    }
    return problem.file + " cannot be read (" + problem.reason + ")";
}

// What redirect is given.
struct RedirectWords {
    std::string folder;
    std::vector<std::string> maps, excluded;
    bool prune = false, verify = false;
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::optional<int> level; // libdeflate's alone; by default zlib's 6 too
};

void PrintRedirect(const Context& context, const RedirectWords& words,
                   const gameini::ConfigurationContents& setup,
                   const redirect::RedirectResult& result) {
    const bool deleted = words.prune && !context.dryRun;
    if (context.json) {
        context.PrintResult(ResultJson(words.folder, result, deleted));
        return;
    }
    for (const RedirectOutcome& outcome : result.packages)
        if (outcome.fate != RedirectOutcome::Fate::Unchanged)
            context.out << Word(outcome.fate, context.dryRun) << "  " << outcome.uz2 << "\n";
    const char* unneeded = deleted ? "pruned  " : words.prune ? "would delete  " : "unneeded  ";
    for (const std::string& name : result.unneeded)
        context.out << unneeded << name << "\n";
    for (const std::string& name : result.notMadeHere)
        context.out << "not made here  " << name << "\n";
    context.out << Summary(result, context.dryRun) << "\n";
    const std::string rate = setup.Setting("[IpDrv.TcpNetDriver]", "MaxClientRate").value_or("");
    if (const double bytesPerSecond = std::atof(rate.c_str()); bytesPerSecond > 0)
        context.out << "without a redirect, a player missing all of it downloads "
                    << SizeText(result.bytesIn) << " at MaxClientRate " << rate
                    << " bytes a second: " << Duration(result.bytesIn / bytesPerSecond) << "\n";
}

ExitStatus RunRedirect(const Context& context, const RedirectWords& words) {
    gameini::ConfigurationContents setup;
    std::string configuration; // who the .uz2 files are made for, in a shared folder
    {
        const gameini::LockedConfiguration locked = context.Lock(gameini::Access::Read);
        setup = gameini::ReadConfiguration(locked.Files().config, gameini::ReadDepth::Everything);
        context.file = locked.Files().config;
        configuration = gameini::RealPath(locked.Files().config)
                            .value_or(gameini::AbsolutePath(locked.Files().config));
    }
    locate::PackageReadCache readCache;
    const redirect::DownloadSet set = redirect::PackagesPlayersNeed(
        setup, locate::PackageSearch(setup.searchPaths, context.ConfigurationFolder()), words.maps,
        words.excluded, readCache);
    for (const redirect::DownloadProblem& problem : set.problems)
        context.Warn(ProblemText(problem));
    // The progress line is gone before anything else is printed.
    const redirect::RedirectResult result = [&] {
        ProgressLine line(context.err, !context.quiet && !context.json && isatty(STDERR_FILENO));
        return redirect::UpdateRedirectFolder(
            set, words.folder, configuration,
            {words.level ? redirect::Compression{*words.level, false} : redirect::Compression{},
             words.threads, context.dryRun, words.prune, words.verify, context.Wait()},
            [&line](size_t done, size_t count, uint64_t bytesDone, uint64_t bytesAll) {
                line.Show(done, count, bytesDone, bytesAll);
            });
    }();
    // Done, but players lack what is missing or cannot be read.
    bool lacking = !set.problems.empty();
    for (const RedirectOutcome& outcome : result.packages)
        if (outcome.fate == RedirectOutcome::Fate::Unreadable) {
            context.Warn(outcome.file + " cannot be read, so players cannot download it (" +
                         outcome.problem + ")");
            lacking = true;
        }
    PrintRedirect(context, words, setup, result);
    return lacking ? kProblemsFound : kDone;
}

} // namespace

void AddRedirectCommand(CLI::App& app, Context& context) {
    auto options = std::make_shared<RedirectWords>();
    CLI::App* command = app.add_subcommand(
        "redirect", "DIR: make DIR the folder of compressed packages (.uz2) that players "
                    "download from a web server");
    command->add_option("DIR", options->folder, "The redirect folder, made if missing")
        ->type_name("DIR")
        ->required();
    command->add_option("--map", options->maps, "Only this map, and what it imports (repeatable)")
        ->type_name("NAME");
    command->add_option("--exclude", options->excluded, "Leave this package out (repeatable)")
        ->type_name("NAME");
    command->add_flag("--prune", options->prune, "Delete the .uz2 files no longer needed");
    command->add_flag("--verify", options->verify,
                      "Decompress every .uz2 and compare it with its package");
    command->add_option("-j", options->threads, "Compress on N threads (default: every core)")
        ->type_name("N")
        ->check(CLI::Range(1u, 1024u));
    command
        ->add_option("--level", options->level,
                     "libdeflate's level alone, 1 to 12 (default: 6, or zlib's 6 where smaller)")
        ->type_name("N")
        ->check(CLI::Range(1, 12));
    OnRun(*command, context, [&context, options] { return RunRedirect(context, *options); });
}

} // namespace cli

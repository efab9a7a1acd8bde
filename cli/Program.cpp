#include "cli/Program.h"

#include "cli/Commands.h"
#include "cli/Json.h"
#include "gameini/Error.h"

#include <cstdlib>

namespace cli {

void OnRun(CLI::App& command, Context& context, std::function<ExitStatus()> run) {
    // Kept for later: a word after the command may still be wrong.
    command.callback([&context, run] { context.run = run; });
}

void OnRunWithNames(CLI::App& command, Context& context,
                    std::function<ExitStatus(const std::vector<std::string>& names)> run) {
    command.callback([&context, run] {
        context.takesNames = true;
        context.run = [&context, run] { return run(context.names); };
    });
}

namespace {

bool JsonWanted(const std::vector<std::string>& arguments) {
    for (const std::string& word : arguments) {
        if (word == "--")
            break;
        if (word == "--json")
            return true;
    }
    return false;
}

// The first word that is neither an option of the whole program nor the
// value it takes: the command, when the words are right.
std::string FirstPlainWord(const CLI::App& app, const std::vector<std::string>& arguments) {
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--")
            break;
        if (!word.starts_with('-') || word == "-")
            return word;
        const bool joined = word.find('=') != std::string::npos ||
                            (!word.starts_with("--") && word.size() > 2); // --wait=5, -Cdir
        const CLI::Option* option = app.get_option_no_throw(word);
        if (!joined && option && option->get_items_expected_min() > 0)
            ++i;
    }
    return "";
}

// Usage lines that name the words a command takes, which its description
// starts with ("NAME...: add packages ..."): the names are not options of
// CLI11's, as "[X]" would be unpacked to "X".
class UsageNamingWords : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string name) const override {
        std::string usage = CLI::Formatter::make_usage(app, std::move(name));
        const std::string& about = app->get_description();
        const size_t colon = about.find(": ");
        const bool positional =
            !app->get_options([](const CLI::Option* option) { return option->get_positional(); })
                 .empty();
        if (app->get_parent() && colon != std::string::npos && !positional &&
            app->get_subcommands({}).empty() && usage.ends_with('\n'))
            usage.insert(usage.size() - 1, " " + about.substr(0, colon));
        return usage;
    }
};

// The options of the whole program, and what --help says of it.
void AddProgramOptions(CLI::App& app, Context& context) {
    app.set_version_flag("--version", "sarvelin-cli " SARVELIN_VERSION);
    app.footer("Exit status: 0 done; 1 check found problems, where found no configuration, or "
               "redirect is done but players lack packages; 2 "
               "wrong words, nothing done; 3 a file error; 4 the game runs with this "
               "configuration; 5 another program kept it longer than --wait.");
    app.require_subcommand(1);
    app.formatter(std::make_shared<UsageNamingWords>());
    // The options of the whole program come before or after the command, as
    // users type them; a word that is no command is left over for the message.
    app.fallthrough();
    app.allow_extras();
    CLI::Option* folder =
        app.add_option("-C,--folder", context.systemFolder,
                       "The System folder (default: the current folder); its postal2.ini in any "
                       "letter case")
            ->type_name("DIR");
    app.add_option("-f,--ini", context.ini,
                   "Any other configuration file (Postal2MP.ini, Postal2CoOp.ini, ...)")
        ->type_name("FILE")
        ->excludes(folder);
    app.add_flag("--force", context.force,
                 "Change the configuration even while the game runs with it, while it is "
                 "read-only, or when the new file cannot keep its owner and group");
    app.add_flag("-n,--dry-run", context.dryRun,
                 "Show the change an edit would make as a diff; change nothing");
    app.add_flag("--strict", context.strict,
                 "With -n: refuse as the change would, while the game runs, or for a read-only "
                 "file or another owner");
    app.add_option("--wait", context.wait,
                   "While another program saves the configuration, wait this long for it, then "
                   "give up with exit status 5 (default 10; 0: do not wait)")
        ->type_name("SECONDS")
        ->check(CLI::Validator(
            [](const std::string& text) {
                char* end = nullptr;
                const double seconds = std::strtod(text.c_str(), &end);
                return *end == '\0' && seconds >= 0 ? "" : "takes a number of seconds, 0 or more";
            },
            ""));
    app.add_flag("-q,--quiet", context.quiet, "Print no warnings");
    app.add_flag("--json", context.json, "Print the result as JSON");
    app.add_flag("--diff", context.diff,
                 "With --json: the result of a change carries it as a unified diff, as a dry "
                 "run's does");
}

void AddCommands(CLI::App& app, Context& context) {
    AddListCommand(app, context);
    AddAddCommand(app, context);
    AddRemoveCommand(app, context);
    AddSetCommand(app, context);
    AddRestoreCommand(app, context);
    AddCheckCommand(app, context);
    AddWhereCommand(app, context);
    AddInfoCommand(app, context);
    AddRedirectCommand(app, context);
    AddWorkshopCommand(app, context);
}

// Parses the words, and checks those CLI11 leaves over: the names a command
// takes are kept, any other word is a UsageError. Runs nothing.
void ParseWords(CLI::App& app, Context& context, const std::vector<std::string>& arguments) {
    std::vector<const char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    app.parse(static_cast<int>(argv.size()), argv.data());
    if (const std::string first = FirstPlainWord(app, arguments);
        !app.get_subcommands().empty() && first != app.get_subcommands().front()->get_name())
        throw UsageError("unexpected word \"" + first + "\" before the command " +
                         app.get_subcommands().front()->get_name() + "; see sarvelin-cli --help");
    std::vector<std::string> extra;
    for (const std::string& word : app.remaining(true)) {
        if (word == "--") // where names begin, not a word of its own
            continue;
        if (context.takesNames && !word.starts_with('-'))
            context.names.push_back(word);
        else
            extra.push_back(word);
    }
    if (!extra.empty())
        throw UsageError(
            (app.get_subcommands().empty() ? "unknown command \"" : "unexpected word \"") +
            extra.front() + "\"; see sarvelin-cli --help");
}

// What a parse error says, in the tool's own words where CLI11's would puzzle.
std::string ParseErrorMessage(const CLI::App& app, const CLI::ParseError& error) {
    if (app.get_subcommands().empty() && !app.remaining().empty())
        return "unknown command \"" + app.remaining().front() + "\"; see sarvelin-cli --help";
    if (std::string_view(error.what()).starts_with("A subcommand is required")) {
        const CLI::App* command = &app;
        while (!command->get_subcommands().empty())
            command = command->get_subcommands().front();
        return "which command? see sarvelin-cli " +
               (command == &app ? std::string() : command->get_name() + " ") + "--help";
    }
    return std::string(error.what()) + "; see sarvelin-cli --help";
}

// Said on standard error with what the command line offers; with --json
// also as an object that machines read by its kind, never by its words.
ExitStatus Fail(const Context& context, ExitStatus status, const char* kind,
                const std::string& message, const std::string& advice = "") {
    context.err << "sarvelin-cli: " << message << advice << "\n";
    if (context.json)
        PrintJson(context.out, {{"error",
                                 {{"kind", kind},
                                  {"message", message},
                                  {"advice", advice},
                                  {"file", TextOrNull(context.file)},
                                  {"status", status}}},
                                {"warnings", context.warnings}});
    return status;
}

} // namespace

int RunProgram(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    CLI::App app("Edits the server packages of a Postal 2 configuration: the ServerPackages= "
                 "lines of its [Engine.GameEngine] section.",
                 "sarvelin-cli");
    // The same words on every system: under Wine, "/srv/p2" is a folder.
    app.allow_windows_style_options(false);
    Context context(out, err);
    AddProgramOptions(app, context);
    AddCommands(app, context);
    // Known before the words are parsed, so that even a parse error is JSON.
    context.json = JsonWanted(arguments);
    try {
        ParseWords(app, context, arguments);
        return context.run();
    } catch (const CLI::ParseError& error) {
        const bool unknownCommand = app.get_subcommands().empty() && !app.remaining().empty();
        if (!unknownCommand && error.get_exit_code() == 0) // --help and --version
            return app.exit(error, out, err);
        return Fail(context, kUsage, "usage", ParseErrorMessage(app, error));
    } catch (const Refusal& refusal) {
        return Fail(context, refusal.status, refusal.kind, refusal.what(), refusal.advice);
    } catch (const gameini::BusyError& error) {
        return Fail(context, kBusy, "busy", error.what(), "; try again, or raise --wait");
    } catch (const gameini::OwnershipError& error) {
        return Fail(context, kFileError, "configuration", error.what(), ", or use --force");
    } catch (const gameini::ConfigurationError& error) {
        return Fail(context, kFileError, "configuration", error.what());
    } catch (const std::bad_alloc&) {
        return Fail(context, kFileError, "file", "out of memory");
    } catch (const std::exception& error) {
        return Fail(context, kFileError, "file", error.what());
    }
}

} // namespace cli

#include "Program.h"

#include "Commands.h"

void OnRun(CLI::App& command, Context& context, std::function<ExitStatus()> run) {
    command.callback([&context, run] { context.exitStatus = run(); });
}

int RunProgram(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    CLI::App app("Edits the server packages of a Postal 2 configuration: the ServerPackages= "
                 "lines of its [Engine.GameEngine] section.",
                 "sarvelin-cli");
    app.set_version_flag("--version", "sarvelin-cli " SARVELIN_VERSION);
    app.require_subcommand(1);
    // The options of the whole program come before or after the command, as
    // users type them; a word that is no command is left over for the message.
    app.fallthrough();
    app.allow_extras();
    Context context(out, err);
    CLI::Option* folder =
        app.add_option("-C,--folder", context.folder,
                       "The System folder (default: the current folder); its postal2.ini in any "
                       "letter case")
            ->type_name("DIR");
    app.add_option("-f,--ini", context.ini,
                   "Any other configuration file (Postal2MP.ini, Postal2CoOp.ini, ...)")
        ->type_name("FILE")
        ->excludes(folder);
    app.add_flag("--force", context.force,
                 "Change the configuration even while the game runs with it, or while it is "
                 "read-only");
    app.add_flag("-q,--quiet", context.quiet, "Print no warnings");
    app.add_flag("--json", context.json, "Print the result as JSON");
    AddListCommand(app, context);
    AddAddCommand(app, context);
    AddRemoveCommand(app, context);
    AddSetCommand(app, context);
    AddRestoreCommand(app, context);
    AddCheckCommand(app, context);
    AddWhereCommand(app, context);
    AddInfoCommand(app, context);

    auto fail = [&err](int status, const std::string& message) {
        err << "sarvelin-cli: " << message << "\n";
        return status;
    };
    try {
        std::vector<const char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(argument.c_str());
        app.parse(static_cast<int>(argv.size()), argv.data());
        const std::vector<std::string> extra = app.remaining();
        if (!extra.empty())
            return fail(kUsage, (app.get_subcommands().empty() ? "unknown command \""
                                                               : "unexpected word \"") +
                                    extra.front() + "\"; see sarvelin-cli --help");
    } catch (const CLI::ParseError& error) {
        if (app.get_subcommands().empty() && !app.remaining().empty())
            return fail(kUsage, "unknown command \"" + app.remaining().front() +
                                    "\"; see sarvelin-cli --help");
        return app.exit(error, out, err) == 0 ? kDone : kUsage; // --help and --version are fine
    } catch (const UsageError& error) {
        return fail(kUsage, error.what());
    } catch (const GameRunningError& error) {
        return fail(kGameRunning, error.what());
    } catch (const std::exception& error) {
        return fail(kFileError, error.what());
    }
    return context.exitStatus;
}

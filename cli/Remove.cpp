#include "Change.h"
#include "Commands.h"
#include "PackageNames.h"
#include "TextCase.h"

#include <unordered_set>

void AddRemoveCommand(CLI::App& app, Context& context) {
    struct Options {
        std::vector<std::string> names;
        bool all = false;
        bool dryRun = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* remove = app.add_subcommand("remove", "Remove packages from the list");
    CLI::Option* names =
        remove->add_option("NAME", options->names, "A package (Engine) or package file (Engine.u)");
    remove->add_flag("--all", options->all, "Remove every package line")->excludes(names);
    remove->add_flag("-n,--dry-run", options->dryRun, "Show the change as a diff; change nothing");
    remove->callback([&context, options] {
        if (options->names.empty() && !options->all)
            throw UsageError("remove needs package names, or --all");
        const gameini::ConfigurationFiles files = context.Files();
        std::unordered_set<std::string> removed;
        for (const std::string& name : PackageNamesFrom(options->names, files))
            removed.insert(gameini::LowerCase(name));
        auto choose = [&](const std::vector<gameini::ConfiguredPackage>& configured, bool) {
            std::vector<std::string> packages;
            for (const gameini::ConfiguredPackage& package : configured)
                if (!options->all && !removed.contains(gameini::LowerCase(package.name)))
                    packages.push_back(package.name);
            return packages;
        };
        ApplyChange(context, choose, options->dryRun);
    });
}

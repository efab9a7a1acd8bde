#include "Change.h"
#include "Commands.h"
#include "PackageNames.h"
#include "TextCase.h"

#include <unordered_set>

void AddAddCommand(CLI::App& app, Context& context) {
    struct Options {
        std::vector<std::string> names;
        bool dryRun = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* add = app.add_subcommand("add", "Add packages to the end of the list");
    add->add_option("NAME", options->names, "A package (Engine) or package file (Engine.u)")
        ->required();
    add->add_flag("-n,--dry-run", options->dryRun, "Show the change as a diff; change nothing");
    add->callback([&context, options] {
        const gameini::ConfigurationFiles files = context.Files();
        const std::vector<std::string> names = PackageNamesFrom(options->names, files);
        auto choose = [&](const std::vector<gameini::ConfiguredPackage>& configured,
                          bool sectionFound) {
            RequireSection(files, sectionFound);
            std::vector<std::string> packages = NamesOf(configured);
            std::unordered_set<std::string> taken;
            for (const std::string& name : packages)
                taken.insert(gameini::LowerCase(name));
            for (const std::string& name : names)
                if (taken.insert(gameini::LowerCase(name)).second)
                    packages.push_back(name);
            return packages;
        };
        ApplyChange(context, choose, options->dryRun);
    });
}

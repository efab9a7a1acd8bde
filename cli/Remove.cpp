#include "cli/Commands.h"
#include "cli/EditCommand.h"
#include "cli/GivenNames.h"
#include "gameini/EditPolicies.h"
#include "gameini/PackageNames.h"

#include <algorithm>

namespace cli {

void AddRemoveCommand(CLI::App& app, Context& context) {
    auto all = std::make_shared<bool>(false);
    auto line = std::make_shared<int>(0);
    CLI::App* remove =
        app.add_subcommand("remove", "NAME... | --all | --line N: remove packages from the list");
    remove->add_flag("--all", *all, "Remove every package line");
    remove->add_option("--line", *line, "Remove the package line with this number")
        ->type_name("N")
        ->check(CLI::PositiveNumber.description(""));
    OnRunWithNames(*remove, context, [&context, all, line](const std::vector<std::string>& names) {
        if (!names.empty() + *all + (*line > 0) != 1)
            throw UsageError("remove needs package names, --all or --line");
        const std::vector<std::string> removed = PackageNamesFrom(names);
        const gameini::EditPackages policy = gameini::RemovePackages({removed, *line, *all});
        RunChange(
            context, "saved", SavedBy(context, [&](const gameini::ConfigurationContents& contents) {
                RefuseBadNames(names, contents.encoding);
                const auto& configured = contents.configured;
                if (*line > 0 && std::none_of(configured.begin(), configured.end(),
                                              [&](const gameini::ConfiguredPackage& p) {
                                                  return p.line == *line;
                                              }))
                    throw UsageError("line " + std::to_string(*line) + " of " + contents.path +
                                     " is no ServerPackages= line of [Engine.GameEngine]");
                if (!contents.sectionFound)
                    context.Warn(contents.path + " has no [Engine.GameEngine] section, so "
                                                 "it has no package to remove");
                gameini::PackageSet meant;
                for (const gameini::ConfiguredPackage& package : configured)
                    meant.Insert(gameini::PackageMeantBy(package.name));
                for (const std::string& name : removed)
                    if (contents.sectionFound && !meant.Contains(name))
                        context.Warn(name + " is not configured");
                return policy(contents);
            }));
        return kDone;
    });
}

} // namespace cli

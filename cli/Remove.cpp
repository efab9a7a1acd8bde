#include "Change.h"
#include "Commands.h"
#include "PackageNames.h"

void AddRemoveCommand(CLI::App& app, Context& context) {
    auto names = std::make_shared<std::vector<std::string>>();
    auto all = std::make_shared<bool>(false);
    CLI::App* remove = app.add_subcommand("remove", "Remove packages from the list");
    CLI::Option* nameOption = AddNames(*remove, *names);
    remove->add_flag("--all", *all, "Remove every package line")->excludes(nameOption);
    OnRun(*remove, context, [&context, names, all] {
        if (names->empty() && !*all)
            throw UsageError("remove needs package names, or --all");
        const std::vector<std::string> removed = PackageNamesFrom(*names);
        auto edit = [&](const gameini::ConfigurationContents& contents) {
            RefuseBadNames(*names, contents.encoding);
            if (!contents.sectionFound)
                context.Warn(contents.path +
                             " has no [Engine.GameEngine] section, so it has no package to remove");
            gameini::PackageSet configured, gone;
            for (const gameini::ConfiguredPackage& package : contents.configured)
                configured.Insert(package.name);
            for (const std::string& name : removed) {
                gone.Insert(name);
                if (contents.sectionFound && !configured.Contains(name))
                    context.Warn(name + " is not configured");
            }
            gameini::PackageLineEdit change{gameini::Placement::AfterLastPackageLine, {}, {}};
            for (const gameini::ConfiguredPackage& package : contents.configured)
                change.keep.push_back(!*all && !gone.Contains(package.name));
            return change;
        };
        ApplyChange(context, edit);
        return kDone;
    });
}

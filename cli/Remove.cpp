#include "Change.h"
#include "Commands.h"
#include "PackageNames.h"

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
        auto edit = [&](const gameini::ConfigurationContents& contents) {
            RefuseBadNames(names, contents.encoding);
            if (!contents.sectionFound)
                context.Warn(contents.path +
                             " has no [Engine.GameEngine] section, so it has no package to remove");
            gameini::PackageSet configured, gone;
            for (const gameini::ConfiguredPackage& package : contents.configured)
                configured.Insert(gameini::PackageMeantBy(package.name));
            for (const std::string& name : removed) {
                gone.Insert(name);
                if (contents.sectionFound && !configured.Contains(name))
                    context.Warn(name + " is not configured");
            }
            gameini::PackageLineEdit change{gameini::Placement::AfterLastPackageLine, {}, {}};
            bool lineFound = false;
            for (const gameini::ConfiguredPackage& package : contents.configured) {
                // A line goes by what it means: "Engine.u" and "Engine " name Engine too.
                const bool goes = *all || package.line == *line ||
                                  gone.Contains(gameini::PackageMeantBy(package.name));
                lineFound |= package.line == *line;
                change.keep.push_back(!goes);
            }
            if (*line > 0 && !lineFound)
                throw UsageError("line " + std::to_string(*line) + " of " + contents.path +
                                 " is no ServerPackages= line of [Engine.GameEngine]");
            return change;
        };
        ApplyChange(context, edit);
        return kDone;
    });
}

#include "Change.h"
#include "Commands.h"
#include "PackageNames.h"
#include "TextCase.h"

#include <unordered_set>

void AddRemoveCommand(CLI::App& app, Context& context) {
    auto names = std::make_shared<std::vector<std::string>>();
    auto all = std::make_shared<bool>(false);
    CLI::App* remove = app.add_subcommand("remove", "Remove packages from the list");
    CLI::Option* nameOption =
        remove->add_option("NAME", *names, "A package (Engine) or package file (Engine.u)");
    remove->add_flag("--all", *all, "Remove every package line")->excludes(nameOption);
    auto options = AddChangeOptions(*remove);
    remove->callback([&context, names, all, options] {
        if (names->empty() && !*all)
            throw UsageError("remove needs package names, or --all");
        std::unordered_set<std::string> removed;
        for (const std::string& name : PackageNamesFrom(*names))
            removed.insert(gameini::LowerCase(name));
        auto edit = [&](const gameini::ConfigurationContents& contents) {
            gameini::PackageLineEdit change{gameini::Placement::AfterLastPackageLine, {}, {}};
            for (const gameini::ConfiguredPackage& package : contents.configured)
                change.keep.push_back(!*all && !removed.contains(gameini::LowerCase(package.name)));
            return change;
        };
        ApplyChange(context, edit, *options);
    });
}

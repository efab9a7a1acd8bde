#include "Change.h"
#include "Commands.h"
#include "PackageNames.h"

void AddAddCommand(CLI::App& app, Context& context) {
    CLI::App* add = app.add_subcommand("add", "NAME...: add packages after the last package line");
    OnRunWithNames(*add, context, [&context](const std::vector<std::string>& names) {
        if (names.empty())
            throw UsageError("add needs package names");
        const std::vector<std::string> added = PackageNamesFrom(names);
        auto edit = [&](const gameini::ConfigurationContents& contents) {
            RequireSection(contents);
            RefuseBadNames(names, contents.encoding);
            WarnOfPackagesNotFound(context, added, contents);
            gameini::PackageLineEdit change{gameini::Placement::AfterLastPackageLine,
                                            std::vector<bool>(contents.configured.size(), true),
                                            {}};
            // Only the names given are looked up among the configured ones.
            gameini::PackageSet given, taken;
            for (const std::string& name : added)
                given.Insert(name);
            for (const gameini::ConfiguredPackage& package : contents.configured)
                if (given.Contains(package.name))
                    taken.Insert(package.name);
            for (const std::string& name : added)
                if (taken.Insert(name))
                    change.written.push_back(name);
            return change;
        };
        ApplyChange(context, edit);
        return kDone;
    });
}

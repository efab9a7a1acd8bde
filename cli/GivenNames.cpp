#include "cli/GivenNames.h"
#include "gameini/PackageNames.h"

#include "cli/Context.h"
#include "cli/EditCommand.h"
#include "gameini/Error.h"
#include "gameini/SequentialFile.h"
#include "locate/PackageSearch.h"

#include <cerrno>

namespace cli {

namespace {

// Warns of each name that no Paths= folder of the configuration holds: a
// typing error, or a package not installed.
void WarnOfPackagesNotFound(const Context& context, const std::vector<std::string>& names,
                            const gameini::ConfigurationContents& contents) {
    const locate::PackageSearch search(contents.searchPaths, context.ConfigurationFolder());
    for (const std::string& name : names)
        if (search.FilesOf(name).empty())
            context.Warn(name + ": no Paths= folder of [Core.System] holds this package");
}

// Throws ConfigurationError, naming the file, when it has no [Engine.GameEngine]
// section to put packages in.
void RequireSection(const gameini::ConfigurationContents& contents) {
    if (!contents.sectionFound)
        throw gameini::ConfigurationError(contents.path +
                                          " has no [Engine.GameEngine] section, so it has "
                                          "no server packages to change; nothing was changed");
}

} // namespace

std::vector<std::string> PackageNamesFrom(const std::vector<std::string>& given) {
    std::vector<std::string> names;
    for (const std::string& argument : given)
        names.push_back(gameini::PackageNameOf(argument));
    return names;
}

void RefuseBadNames(const std::vector<std::string>& given, gameini::Encoding encoding) {
    for (const std::string& argument : given)
        if (const auto problem =
                gameini::PackageNameProblem(gameini::PackageNameOf(argument), encoding))
            throw UsageError("\"" + argument + "\": " + problem->text);
}

void SaveGivenNames(const Context& context, const std::vector<std::string>& given,
                    gameini::EditPackages (*policy)(std::vector<std::string> names)) {
    const std::vector<std::string> names = PackageNamesFrom(given);
    const gameini::EditPackages edit = policy(names);
    RunChange(context, "saved",
              SavedBy(context, [&](const gameini::ConfigurationContents& contents) {
                  RequireSection(contents);
                  RefuseBadNames(given, contents.encoding);
                  WarnOfPackagesNotFound(context, names, contents);
                  return edit(contents);
              }));
}

} // namespace cli

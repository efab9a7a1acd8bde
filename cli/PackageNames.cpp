#include "PackageNames.h"

#include "Context.h"
#include "Error.h"
#include "PackageSearch.h"
#include "SequentialFile.h"

#include <cerrno>

std::vector<std::string> PackageNamesFrom(const std::vector<std::string>& given) {
    std::vector<std::string> names;
    for (const std::string& argument : given) {
        if (argument.find_first_of(" \t") == 0 ||
            argument.find_last_of(" \t") + 1 == argument.size())
            throw UsageError("\"" + argument +
                             "\": a blank or tab at either end would become part of the package "
                             "name, which then matches no file");
        const std::string name = gameini::PackageNameOf(argument);
        if (name.empty())
            throw UsageError("\"" + argument + "\" names no package");
        if (name.find('=') != std::string::npos)
            throw UsageError("\"" + argument + "\": a package name cannot hold \"=\"");
        names.push_back(name);
    }
    return names;
}

void WarnOfPackagesNotFound(const Context& context, const std::vector<std::string>& names,
                            const gameini::ConfigurationContents& contents) {
    const PackageSearch search(contents.searchPaths, context.Folder());
    for (const std::string& name : names)
        if (search.FilesOf(name).empty())
            context.Warn(name + ": no Paths= folder of [Core.System] holds this package");
}

void RefuseUnstorable(const std::vector<std::string>& names, gameini::Encoding encoding) {
    for (const std::string& name : names)
        if (std::optional<std::string> problem = gameini::StorageProblem(name, encoding))
            throw UsageError(name + ": " + *problem);
}

std::vector<std::string> NamesOf(std::vector<gameini::ConfiguredPackage> packages) {
    std::vector<std::string> names;
    names.reserve(packages.size());
    for (gameini::ConfiguredPackage& package : packages)
        names.push_back(std::move(package.name));
    return names;
}

void RequireSection(const gameini::ConfigurationFiles& files, bool sectionFound) {
    if (!sectionFound)
        throw gameini::ConfigurationError(files.config +
                                          " has no [Engine.GameEngine] section, so it has "
                                          "no server packages to change; nothing was changed");
}

#include "PackageNames.h"

#include "Context.h"
#include "Error.h"
#include "SequentialFile.h"

#include <cerrno>

std::vector<std::string> PackageNamesFrom(const std::vector<std::string>& given) {
    std::vector<std::string> names;
    for (const std::string& argument : given) {
        const std::string name = gameini::PackageNameOf(argument);
        if (name.empty())
            throw UsageError("\"" + argument + "\" names no package");
        if (name.find('=') != std::string::npos)
            throw UsageError("\"" + argument + "\": a package name cannot hold \"=\"");
        names.push_back(name);
    }
    return names;
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
        throw gameini::FileError(ENOENT, files.config +
                                             " has no [Engine.GameEngine] section, so it has "
                                             "no server packages to change; nothing was changed");
}

#include "Change.h"
#include "Commands.h"
#include "PackageNames.h"

#include <iostream>
#include <sstream>

namespace {

// One name a line; blank lines and lines starting with ";" or "#" are skipped.
std::vector<std::string> NamesListedIn(std::istream& in) {
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);) {
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == ';' || line[first] == '#')
            continue;
        names.push_back(line.substr(first, line.find_last_not_of(" \t\r") + 1 - first));
    }
    return names;
}

std::vector<std::string> NamesFromFile(const std::string& path) {
    if (path == "-")
        return NamesListedIn(std::cin);
    std::istringstream file(ReadWholeFile(path)); // a file error names it and says why
    return NamesListedIn(file);
}

} // namespace

void AddSetCommand(CLI::App& app, Context& context) {
    auto names = std::make_shared<std::vector<std::string>>();
    auto from = std::make_shared<std::string>();
    CLI::App* set = app.add_subcommand("set", "Make the list exactly the given packages");
    CLI::Option* nameOption = AddNames(*set, *names);
    set->add_option("--from", *from, "Read the names from a file, one a line (- for stdin)")
        ->type_name("FILE")
        ->excludes(nameOption);
    OnRun(*set, context, [&context, names, from] {
        const std::vector<std::string> given = from->empty() ? *names : NamesFromFile(*from);
        if (given.empty())
            throw UsageError("set needs at least one package name");
        std::vector<std::string> packages;
        gameini::PackageSet taken;
        for (const std::string& name : PackageNamesFrom(given))
            if (taken.Insert(name))
                packages.push_back(name);
        auto edit = [&](const gameini::ConfigurationContents& contents) {
            RequireSection(contents);
            RefuseBadNames(given, contents.encoding);
            WarnOfPackagesNotFound(context, packages, contents);
            return gameini::PackageLineEdit{gameini::Placement::AtFirstPackageLine, {}, packages};
        };
        ApplyChange(context, edit);
        return kDone;
    });
}

#include "Change.h"
#include "Commands.h"
#include "PackageNames.h"
#include "TextCase.h"

#include <fstream>
#include <iostream>
#include <unordered_set>

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
    std::ifstream file(path);
    if (!file)
        throw UsageError("Cannot read the list of names " + path);
    return NamesListedIn(file);
}

} // namespace

void AddSetCommand(CLI::App& app, Context& context) {
    auto names = std::make_shared<std::vector<std::string>>();
    auto from = std::make_shared<std::string>();
    CLI::App* set = app.add_subcommand("set", "Make the list exactly the given packages");
    CLI::Option* nameOption =
        set->add_option("NAME", *names, "A package (Engine) or package file (Engine.u)");
    set->add_option("--from", *from, "Read the names from a file, one a line (- for stdin)")
        ->excludes(nameOption);
    auto options = AddChangeOptions(*set);
    set->callback([&context, names, from, options] {
        const gameini::ConfigurationFiles files = context.Files();
        const std::vector<std::string> given = from->empty() ? *names : NamesFromFile(*from);
        if (given.empty())
            throw UsageError("set needs at least one package name");
        std::vector<std::string> packages;
        std::unordered_set<std::string> taken;
        for (const std::string& name : PackageNamesFrom(given))
            if (taken.insert(gameini::LowerCase(name)).second)
                packages.push_back(name);
        auto edit = [&](const gameini::ConfigurationContents& contents) {
            RequireSection(files, contents.sectionFound);
            RefuseUnstorable(packages, contents.encoding);
            return gameini::PackageLineEdit{gameini::Placement::AtFirstPackageLine, {}, packages};
        };
        ApplyChange(context, edit, *options);
    });
}

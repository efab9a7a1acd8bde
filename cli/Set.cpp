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
    struct Options {
        std::vector<std::string> names;
        std::string from;
        bool dryRun = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* set = app.add_subcommand("set", "Make the list exactly the given packages");
    CLI::Option* names =
        set->add_option("NAME", options->names, "A package (Engine) or package file (Engine.u)");
    set->add_option("--from", options->from, "Read the names from a file, one a line (- for stdin)")
        ->excludes(names);
    set->add_flag("-n,--dry-run", options->dryRun, "Show the change as a diff; change nothing");
    set->callback([&context, options] {
        const gameini::ConfigurationFiles files = context.Files();
        const std::vector<std::string> given =
            options->from.empty() ? options->names : NamesFromFile(options->from);
        if (given.empty())
            throw UsageError("set needs at least one package name");
        std::vector<std::string> packages;
        std::unordered_set<std::string> taken;
        for (const std::string& name : PackageNamesFrom(given, files))
            if (taken.insert(gameini::LowerCase(name)).second)
                packages.push_back(name);
        auto choose = [&](const std::vector<gameini::ConfiguredPackage>&, bool sectionFound) {
            RequireSection(files, sectionFound);
            return packages;
        };
        ApplyChange(context, choose, options->dryRun);
    });
}

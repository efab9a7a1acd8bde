#include "cli/Commands.h"
#include "cli/GivenNames.h"
#include "gameini/EditPolicies.h"
#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/PackageNames.h"
#include "gameini/SystemCalls.h"

#include <iostream>
#include <sstream>

namespace cli {

namespace {

// One name a line; ";" or "#" starts a comment, and blank lines are skipped.
std::vector<std::string> NamesListedIn(std::istream& in) {
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);) {
        line.erase(std::min(line.find_first_of(";#"), line.size()));
        if (line.ends_with('\r'))
            line.pop_back();
        if (const std::string_view name = gameini::TrimmedBlanks(line); !name.empty())
            names.emplace_back(name);
    }
    return names;
}

std::vector<std::string> NamesFromFile(const std::string& path) {
    if (path == "-")
        return NamesListedIn(std::cin);
    // A file or a pipe: set --from <(...).
    const gameini::FileDescriptor file{gameini::OpenStream(path)};
    std::string bytes;
    if (file.Get() < 0)
        gameini::ThrowSystemError(errno, "Cannot open " + path + " for reading");
    if (const int error = gameini::ReadAll(file.Get(), bytes))
        gameini::ThrowSystemError(error, "Cannot read " + path);
    std::istringstream lines(bytes);
    return NamesListedIn(lines);
}

} // namespace

void AddSetCommand(CLI::App& app, Context& context) {
    auto from = std::make_shared<std::string>();
    CLI::App* set =
        app.add_subcommand("set", "NAME... | --from FILE: make the list exactly these packages");
    set->add_option("--from", *from, "Read the names from a file, one a line (- for stdin)")
        ->type_name("FILE");
    OnRunWithNames(*set, context, [&context, from](const std::vector<std::string>& names) {
        if (!from->empty() && !names.empty())
            throw UsageError("set takes package names or --from, not both");
        const std::vector<std::string> given = from->empty() ? names : NamesFromFile(*from);
        if (given.empty())
            throw UsageError("set needs at least one package name");
        SaveGivenNames(context, given, gameini::SetPackages);
        return kDone;
    });
}

} // namespace cli

#include "cli/Commands.h"
#include "cli/GivenNames.h"
#include "gameini/EditPolicies.h"

namespace cli {

void AddAddCommand(CLI::App& app, Context& context) {
    CLI::App* add = app.add_subcommand("add", "NAME...: add packages after the last package line");
    OnRunWithNames(*add, context, [&context](const std::vector<std::string>& names) {
        if (names.empty())
            throw UsageError("add needs package names");
        SaveGivenNames(context, names, gameini::AddPackages);
        return kDone;
    });
}

} // namespace cli

#include "Change.h"
#include "Commands.h"
#include "Diff.h"
#include "GamePath.h"
#include "ReplaceWithBackup.h"

#include <iostream>

void AddRestoreCommand(CLI::App& app, Context& context) {
    auto dryRun = std::make_shared<bool>(false);
    CLI::App* restore =
        app.add_subcommand("restore", "Swap the configuration and its backup; run again to undo");
    restore->add_flag("-n,--dry-run", *dryRun, "Show the change as a diff; change nothing");
    restore->callback([&context, dryRun] {
        const gameini::ConfigurationFiles files = context.Files();
        const std::string backup = gameini::ResolvePath(files.backup);
        if (*dryRun) {
            PrintDiff(std::cout, files.config, ReadWholeFile(files.config), ReadWholeFile(backup));
            return;
        }
        context.RefuseWhileTheGameRuns();
        gameini::RefuseCaseVariants(files);
        gameini::RestoreBackup(files);
        std::cout << "restored; previous configuration kept as " << gameini::NameOf(backup) << "\n";
    });
}

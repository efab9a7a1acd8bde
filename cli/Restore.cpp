#include "Change.h"
#include "Commands.h"
#include "GamePath.h"
#include "PackageNames.h"
#include "ReplaceWithBackup.h"
#include "ServerPackages.h"

#include <iostream>

void AddRestoreCommand(CLI::App& app, Context& context) {
    CLI::App* restore =
        app.add_subcommand("restore", "Swap the configuration and its backup; run again to undo");
    auto dryRun = AddDryRun(*restore);
    OnRun(*restore, context, [&context, dryRun] {
        const gameini::ConfigurationFiles files = context.Files();
        if (!*dryRun)
            context.RefuseToChange(files);
        const std::string backup = gameini::ResolvePath(files.backup);
        ChangeReport report{files.config,
                            true,
                            backup,
                            BackupShown(files, backup),
                            false,
                            NamesOf(gameini::ReadServerPackages(files.config)),
                            NamesOf(gameini::ReadServerPackages(backup)),
                            {},
                            {}};
        if (*dryRun) {
            report.bytesBefore = ReadWholeFile(files.config);
            report.bytesAfter = ReadWholeFile(backup);
            report.changed = report.bytesBefore != report.bytesAfter;
            report.backup.clear();
        } else {
            gameini::RefuseCaseVariants(files);
            gameini::RestoreBackup(files);
        }
        PrintChange(context, report, *dryRun, "restored");
        return kDone;
    });
}

#include "cli/Commands.h"
#include "cli/EditCommand.h"
#include "cli/GivenNames.h"
#include "gameini/ConfigurationContents.h"
#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"
#include "gameini/ReplaceWithBackup.h"
#include "gameini/RestoreBackup.h"

namespace cli {

void AddRestoreCommand(CLI::App& app, Context& context) {
    CLI::App* restore =
        app.add_subcommand("restore", "Swap the configuration and its backup; run again to undo");
    OnRun(*restore, context, [&context] {
        RunChange(context, "restored", [&](const gameini::LockedConfiguration& configuration) {
            const gameini::ConfigurationFiles& files = configuration.Files();
            const std::string backup = gameini::ResolvePath(files.backup);
            ChangeReport report{
                gameini::AbsolutePath(files.config),
                true,
                gameini::AbsolutePath(backup),
                files.BackupAsKnown(backup),
                gameini::InPlace::No,
                gameini::NamesOf(gameini::ReadConfiguration(files.config).configured),
                gameini::NamesOf(gameini::ReadConfiguration(backup).configured),
                {}};
            if (context.dryRun || context.diff) {
                report.changedPart = {
                    gameini::ReadWholeFile(files.config, gameini::kMostRestoredBytes),
                    gameini::ReadWholeFile(backup, gameini::kMostRestoredBytes), 0};
                report.changed = report.changedPart.before != report.changedPart.after;
            }
            if (context.dryRun) {
                report.backup.clear();
            } else {
                gameini::RefuseCaseVariants(files);
                report.inPlace = gameini::RestoreBackup(configuration);
            }
            return report;
        });
        return kDone;
    });
}

} // namespace cli

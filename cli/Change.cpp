#include "Change.h"

#include "Diff.h"
#include "Error.h"
#include "FileDescriptor.h"
#include "GamePath.h"
#include "Json.h"
#include "SaveGameIni.h"

#include <fcntl.h>
#include <iostream>
#include <unistd.h>

void OnRunWithNames(CLI::App& command, Context& context,
                    std::function<ExitStatus(const std::vector<std::string>& names)> run) {
    command.callback([&context, run] {
        context.takesNames = true;
        context.run = [&context, run] { return run(context.names); };
    });
}

std::string BackupShown(const gameini::ConfigurationFiles& files, const std::string& backup) {
    // Beside the configuration a backup goes by its name; a linked one's, by its path.
    return files.linked || backup.empty() ? backup : gameini::NameOf(backup);
}

void PrintChange(const Context& context, const ChangeReport& report, const char* verb) {
    const bool dryRun = context.dryRun, withDiff = dryRun || (context.diff && context.json);
    const std::string diff = withDiff && report.changed
                                 ? UnifiedDiff(report.file, report.bytesBefore, report.bytesAfter)
                                 : "";
    if (context.json) {
        nlohmann::ordered_json result = {{"file", report.file},
                                         {"changed", report.changed},
                                         {"backup", TextOrNull(report.backup)},
                                         {"before", report.before},
                                         {"after", report.after}};
        if (withDiff)
            result["diff"] = diff;
        context.PrintResult(result);
    } else if (!report.changed) {
        context.out << "unchanged\n";
    } else if (dryRun) {
        context.out << diff;
    } else {
        context.out << verb
                    << (report.inPlace ? " in place (the configuration is a mount point)" : "")
                    << "; previous configuration kept as " << report.backupShown << "\n";
    }
}

void ApplyChange(const Context& context, const gameini::EditPackages& edit, const char* verb) {
    const gameini::LockedConfiguration configuration =
        context.Lock(context.dryRun ? gameini::Access::Read : gameini::Access::Write);
    const gameini::ConfigurationFiles& files = configuration.Files();
    // Even when nothing would change: scripts learn of it.
    context.RefuseToChange(files);
    gameini::SaveOptions options(
        context.dryRun ? gameini::SaveMode::DryRun : gameini::SaveMode::WhenChanged, context.force);
    options.keepBytes = context.diff;
    const gameini::SaveResult saved = gameini::SaveGameIni(configuration, edit, options);
    if (!saved.ownerChange.empty())
        context.Warn(saved.ownerChange);
    PrintChange(context,
                {saved.file, saved.changed, saved.backup, BackupShown(files, saved.backup),
                 saved.inPlace, saved.before, saved.after, saved.bytesBefore, saved.bytesAfter},
                verb);
}

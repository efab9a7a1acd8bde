#include "cli/EditCommand.h"

#include "gameini/SaveGameIni.h"

namespace cli {

void RunChange(const Context& context, const char* verb, const Change& change) {
    const gameini::LockedConfiguration configuration =
        context.Lock(context.dryRun ? gameini::Access::Read : gameini::Access::Write);
    context.RefuseToChange(configuration.Files());
    PrintChange(context, change(configuration), verb);
}

Change SavedBy(const Context& context, gameini::EditPackages edit) {
    return [&context, edit = std::move(edit)](const gameini::LockedConfiguration& configuration) {
        gameini::SaveOptions options(context.dryRun ? gameini::SaveMode::DryRun
                                                    : gameini::SaveMode::WhenChanged,
                                     context.force);
        options.keepChangedPart = context.diff;
        gameini::SaveResult saved = gameini::SaveGameIni(configuration, edit, options);
        if (!saved.ownerChange.empty())
            context.Warn(saved.ownerChange);
        return ChangeReport{saved.file,    saved.changed,
                            saved.backup,  configuration.Files().BackupAsKnown(saved.backup),
                            saved.inPlace, saved.before,
                            saved.after,   std::move(saved.changedPart)};
    };
}

} // namespace cli

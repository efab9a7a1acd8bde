#include "Change.h"

#include "Diff.h"
#include "Error.h"
#include "GamePath.h"
#include "Json.h"
#include "SaveGameIni.h"

#include <fcntl.h>
#include <iostream>
#include <unistd.h>

std::string ReadWholeFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        gameini::ThrowSystemError(errno, "Cannot open " + path + " for reading");
    std::string bytes, chunk(1 << 20, '\0');
    for (;;) {
        const ssize_t got = read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int err = errno;
            close(fd);
            gameini::ThrowSystemError(err, "Cannot read " + path);
        }
        if (got == 0)
            break;
        bytes.append(chunk, 0, static_cast<size_t>(got));
    }
    close(fd);
    return bytes;
}

std::shared_ptr<bool> AddDryRun(CLI::App& command) {
    auto dryRun = std::make_shared<bool>(false);
    command.add_flag("-n,--dry-run", *dryRun, "Show the change as a diff; change nothing");
    return dryRun;
}

CLI::Option* AddNames(CLI::App& command, std::vector<std::string>& names) {
    return command
        .add_option("NAME", names, "A package (Engine) or package file (Engine.u, Sounds.uax)")
        ->type_name("NAME");
}

std::string BackupShown(const gameini::ConfigurationFiles& files, const std::string& backup) {
    // Beside the configuration a backup goes by its name; a linked one's, by its path.
    return files.linked || backup.empty() ? backup : gameini::NameOf(backup);
}

void PrintChange(const Context& context, const ChangeReport& report, bool dryRun,
                 const char* verb) {
    const std::string diff = dryRun && report.changed
                                 ? UnifiedDiff(report.file, report.bytesBefore, report.bytesAfter)
                                 : "";
    if (context.json) {
        nlohmann::ordered_json result = {{"file", report.file},
                                         {"changed", report.changed},
                                         {"backup", TextOrNull(report.backup)},
                                         {"before", report.before},
                                         {"after", report.after}};
        if (dryRun)
            result["diff"] = diff;
        PrintJson(context.out, result);
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

void ApplyChange(const Context& context, const gameini::ConfigurationFiles& files,
                 const gameini::EditPackages& edit, bool dryRun) {
    // Even when nothing would change: scripts learn of it.
    if (!dryRun)
        context.RefuseToChange(files);
    const gameini::SaveResult saved = gameini::SaveGameIni(
        files, edit, dryRun ? gameini::SaveMode::DryRun : gameini::SaveMode::WhenChanged);
    PrintChange(context,
                {files.config, saved.changed, saved.backup, BackupShown(files, saved.backup),
                 saved.inPlace, saved.before, saved.after, saved.bytesBefore, saved.bytesAfter},
                dryRun, "saved");
}

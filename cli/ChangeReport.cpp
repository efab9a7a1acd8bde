#include "cli/ChangeReport.h"

#include "cli/Diff.h"
#include "cli/Json.h"
#include "gameini/GamePath.h"

#include <iostream>

namespace cli {

namespace {

// Why the file was overwritten rather than replaced.
const char* InPlaceText(gameini::InPlace inPlace) {
    switch (inPlace) {
    case gameini::InPlace::No:
        break;
    case gameini::InPlace::MountPoint:
        return " in place (the configuration is a mount point)";
    case gameini::InPlace::MountSource:
        return " in place (the configuration is bind-mounted elsewhere, which sees the change)";
    case gameini::InPlace::HardLinked:
        return " in place (the configuration has other hard links, which see the change)";
    }
    return "";
}

} // namespace

void PrintChange(const Context& context, const ChangeReport& report, const char* verb) {
    const bool dryRun = context.dryRun, withDiff = dryRun || (context.diff && context.json);
    const std::string diff =
        withDiff && report.changed
            ? UnifiedDiff(report.file, report.changedPart.before, report.changedPart.after,
                          report.changedPart.linesBefore)
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
        context.out << verb << InPlaceText(report.inPlace) << "; previous configuration kept as "
                    << report.backupShown << "\n";
    }
}

} // namespace cli

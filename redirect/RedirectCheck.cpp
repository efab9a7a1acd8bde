#include "redirect/RedirectCheck.h"

#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "redirect/Manifest.h"
#include "redirect/Uz2.h"

namespace redirect {

std::vector<RedirectProblem> CheckRedirectFolder(const DownloadSet& set,
                                                 const std::string& folder) {
    const std::map<std::string, ManifestEntry> manifest = ReadManifest(folder);
    std::vector<RedirectProblem> problems;
    for (const Download& download : set.packages) {
        if (download.action != Action::Send)
            continue;
        const std::string uz2 = Uz2NameOf(download.file);
        const std::string uz2Path = gameini::InFolder(folder, uz2);
        const std::optional<gameini::FileStatus> package = gameini::StatusOf(download.file);
        if (!package)
            continue; // found a moment ago; the next run says what became of it
        const std::optional<gameini::FileStatus> uz2Stat = Uz2StatusOf(uz2Path);
        const auto known = manifest.find(uz2);
        const bool upToDate = known != manifest.end() &&
                              PackageUnchanged(known->second, MadeFrom(download, *package)) &&
                              Uz2AsLeft(known->second, uz2Stat);
        if (upToDate && known->second.oversize)
            continue; // left to the game server on purpose
        if (!uz2Stat) {
            problems.push_back({download.name, download.neededBy,
                                gameini::ProblemKind::RedirectMissing,
                                "players cannot download " + download.name + " from " + folder +
                                    ": there is no " + uz2});
            continue;
        }
        if (uz2Stat->size > package->size) {
            problems.push_back({download.name, download.neededBy,
                                gameini::ProblemKind::RedirectOversize,
                                uz2 + " is longer than its package, so the client cuts it off"});
            continue;
        }
        if (upToDate)
            continue;
        std::string why;
        try {
            why = Uz2Mismatch(uz2Path, download.file);
        } catch (const gameini::Error& error) { // FileError or DamageError
            why = error.what();
        }
        if (!why.empty())
            problems.push_back({download.name, download.neededBy,
                                gameini::ProblemKind::RedirectStale,
                                uz2 + " is not " + gameini::NameOf(download.file) + " (" + why +
                                    "), so players get \"version mismatch\""});
    }
    return problems;
}

} // namespace redirect

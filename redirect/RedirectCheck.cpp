#include "redirect/RedirectCheck.h"

#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"
#include "redirect/Manifest.h"
#include "redirect/Uz2.h"

#include <sys/stat.h>

namespace redirect {
namespace {

// Why a .uz2 is not its package, or nothing.
std::string Staleness(const std::string& uz2Path, const Download& download, uint64_t size) {
    const auto read = DecompressUz2(gameini::ReadWholeFile(uz2Path), size + 1);
    if (const auto* damage = std::get_if<Uz2Damage>(&read))
        return "its chunk at byte " + std::to_string(damage->offset) + ": " + damage->reason;
    const std::string& package = std::get<std::string>(read);
    if (package.size() != size)
        return "it holds " + std::to_string(package.size()) + " bytes, the package " +
               std::to_string(size);
    const gameini::PackageRead facts = gameini::ParsePackageBytes(package);
    const auto* inside = std::get_if<gameini::PackageFacts>(&facts);
    if (!inside || inside->guid != download.facts.guid)
        return "the package inside has another GUID";
    return "";
}

} // namespace

std::vector<RedirectProblem> CheckRedirectFolder(const DownloadSet& set,
                                                 const std::string& folder) {
    const std::map<std::string, Made> manifest =
        ReadManifest(gameini::InFolder(folder, kManifestName));
    std::vector<RedirectProblem> problems;
    for (const Download& download : set.packages) {
        if (download.action != Action::Send)
            continue;
        const std::string uz2 = gameini::NameOf(download.file) + ".uz2";
        const std::string uz2Path = gameini::InFolder(folder, uz2);
        struct stat package;
        if (stat(download.file.c_str(), &package) != 0)
            continue; // found a moment ago; the next run says what became of it
        const std::optional<uint64_t> uz2Size = Uz2SizeOf(uz2Path);
        const auto known = manifest.find(uz2);
        const bool upToDate = known != manifest.end() &&
                              UpToDate(known->second, MadeFrom(download, package), uz2Size);
        if (upToDate && known->second.oversize)
            continue; // left to the game server on purpose
        if (!uz2Size) {
            problems.push_back({download.name, download.neededBy, "redirect-missing",
                                "players cannot download " + download.name + " from " + folder +
                                    ": there is no " + uz2 + "; run sarvelin-cli redirect " +
                                    folder});
            continue;
        }
        if (*uz2Size > static_cast<uint64_t>(package.st_size)) {
            problems.push_back({download.name, download.neededBy, "redirect-oversize",
                                uz2 + " is longer than its package, so the client cuts it off; "
                                      "delete it, and players get the package from the game "
                                      "server"});
            continue;
        }
        if (upToDate)
            continue;
        if (const std::string why =
                Staleness(uz2Path, download, static_cast<uint64_t>(package.st_size));
            !why.empty())
            problems.push_back({download.name, download.neededBy, "redirect-stale",
                                uz2 + " is not " + gameini::NameOf(download.file) + " (" + why +
                                    "), so players get \"version mismatch\"; run "
                                    "sarvelin-cli redirect " +
                                    folder});
    }
    return problems;
}

} // namespace redirect

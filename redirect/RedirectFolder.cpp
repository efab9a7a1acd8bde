#include "redirect/RedirectFolder.h"

#include "gameini/Directory.h"
#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"
#include "redirect/Manifest.h"
#include "redirect/Uz2.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace redirect {
namespace {

using Done = RedirectOutcome::Done;

// Writes the bytes under a temporary name beside the file, flushes them and
// renames them into place: a kill at any moment leaves the old file or the
// new one under the name, never a part of one.
void PutFile(const std::string& path, std::string_view bytes) {
    std::string name = gameini::NameOf(path);
    name.insert(name.begin(), '.');
    const std::string part = gameini::InFolder(gameini::FolderOf(path), name + ".part");
    {
        const gameini::FileDescriptor file(
            open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (file.fd < 0)
            gameini::ThrowSystemError(errno, "Cannot write " + part);
        if (const int error = gameini::WriteAll(file.fd, bytes); error != 0) {
            unlink(part.c_str());
            gameini::ThrowSystemError(error, "Cannot write " + part);
        }
        if (fsync(file.fd) != 0) {
            const int error = errno;
            unlink(part.c_str());
            gameini::ThrowSystemError(error, "Cannot flush " + part);
        }
    }
    if (rename(part.c_str(), path.c_str()) != 0) {
        const int error = errno;
        unlink(part.c_str());
        gameini::ThrowSystemError(error, "Cannot rename " + part + " to " + path);
    }
}

void RemoveFile(const std::string& path) {
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        gameini::ThrowSystemError(errno, "Cannot delete " + path);
}

// The folder, made if missing, and held against another run into it.
gameini::FileDescriptor HoldFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        gameini::ThrowSystemError(errno, "Cannot make the folder " + folder);
    gameini::FileDescriptor held(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (held.fd < 0)
        gameini::ThrowSystemError(errno, "Cannot open the folder " + folder);
    if (flock(held.fd, LOCK_EX | LOCK_NB) != 0)
        throw gameini::BusyError("another sarvelin-cli redirect is updating " + folder);
    return held;
}

bool SameBytes(const std::string& uz2Path, const std::string& package) {
    const auto read = DecompressUz2(gameini::ReadWholeFile(uz2Path), package.size());
    return std::holds_alternative<std::string>(read) && std::get<std::string>(read) == package;
}

} // namespace

const char* DoneName(Done done) {
    static const char* const kNames[] = {"written",          "unchanged",   "oversize",
                                         "not-downloadable", "server-only", "excluded"};
    return kNames[static_cast<int>(done)];
}

RedirectResult UpdateRedirectFolder(const DownloadSet& set, const std::string& folder,
                                    const RedirectOptions& options,
                                    const RedirectProgress& progress) {
    const gameini::FileDescriptor held =
        options.dryRun ? gameini::FileDescriptor() : HoldFolder(folder);
    const std::string manifestPath = gameini::InFolder(folder, kManifestName);
    std::map<std::string, Made> manifest = ReadManifest(manifestPath);
    const size_t manifestEntries = manifest.size();
    bool manifestChanged = false;

    RedirectResult result;
    std::set<std::string> sent, needed; // .uz2 names: of the packages sent, of those in place
    uint64_t bytesAll = 0, bytesDone = 0;
    for (const Download& download : set.packages)
        if (download.action == Action::Send) {
            struct stat info;
            if (stat(download.file.c_str(), &info) == 0)
                bytesAll += static_cast<uint64_t>(info.st_size);
        }
    size_t done = 0, count = 0;
    for (const Download& download : set.packages)
        count += download.action == Action::Send;

    for (const Download& download : set.packages) {
        RedirectOutcome outcome{
            download.name, download.file, gameini::NameOf(download.file) + ".uz2", 0, 0,
            Done::Written};
        if (download.action == Action::NotDownloadable)
            outcome.done = Done::NotDownloadable;
        else if (download.action == Action::ServerOnly)
            outcome.done = Done::ServerOnly;
        else if (download.action == Action::Excluded)
            outcome.done = Done::Excluded;
        if (download.action != Action::Send) {
            result.packages.push_back(std::move(outcome));
            continue;
        }
        struct stat info;
        if (stat(download.file.c_str(), &info) != 0)
            gameini::ThrowSystemError(errno, "Cannot read " + download.file);
        outcome.size = static_cast<uint64_t>(info.st_size);
        sent.insert(outcome.uz2);
        const std::string uz2Path = gameini::InFolder(folder, outcome.uz2);
        Made made = MadeFrom(download, info);
        const auto known = manifest.find(outcome.uz2);
        struct stat uz2Info;
        const bool uz2There = lstat(uz2Path.c_str(), &uz2Info) == 0 && S_ISREG(uz2Info.st_mode);
        if (known != manifest.end()) {
            const Made& before = known->second;
            if (UpToDate(before, made, uz2Path)) {
                std::string package;
                if (options.verify && !before.oversize)
                    package = gameini::ReadWholeFile(download.file);
                if (!options.verify || before.oversize || SameBytes(uz2Path, package)) {
                    outcome.compressed = before.uz2Size;
                    outcome.done = before.oversize ? Done::Oversize : Done::Unchanged;
                    if (!before.oversize)
                        needed.insert(outcome.uz2);
                    bytesDone += outcome.size;
                    progress(++done, count, bytesDone, bytesAll);
                    result.packages.push_back(std::move(outcome));
                    continue;
                }
            }
        }
        if (options.dryRun) {
            needed.insert(outcome.uz2);
            result.packages.push_back(std::move(outcome));
            continue;
        }
        const std::string package = gameini::ReadWholeFile(download.file);
        const std::string uz2 = CompressUz2(package, options.level, options.threads);
        outcome.compressed = uz2.size();
        made.size = package.size();
        if (uz2.size() > package.size()) {
            // The client cuts a download off at the package's size.
            outcome.done = Done::Oversize;
            made.oversize = true;
            made.uz2Size = 0;
            if (uz2There)
                RemoveFile(uz2Path);
        } else {
            PutFile(uz2Path, uz2);
            made.oversize = false;
            made.uz2Size = uz2.size();
            needed.insert(outcome.uz2);
        }
        manifest[outcome.uz2] = made;
        manifestChanged = true;
        bytesDone += outcome.size;
        progress(++done, count, bytesDone, bytesAll);
        result.packages.push_back(std::move(outcome));
    }

    gameini::Directory dir(folder);
    while (const dirent* entry = dir.Next()) {
        const std::string_view name = entry->d_name;
        if (dir.KindOf(*entry) != gameini::EntryKind::File)
            continue;
        if (IsUz2FileName(name) && !needed.contains(entry->d_name))
            result.unneeded.emplace_back(name);
        else if (!options.dryRun && name.starts_with('.') && name.ends_with(".uz2.part"))
            RemoveFile(gameini::InFolder(folder, name)); // a killed run's
    }
    std::sort(result.unneeded.begin(), result.unneeded.end());
    for (auto it = manifest.begin(); it != manifest.end();)
        it = sent.contains(it->first) ? std::next(it) : manifest.erase(it);
    manifestChanged = manifestChanged || manifest.size() != manifestEntries;
    if (options.prune && !options.dryRun)
        for (const std::string& name : result.unneeded)
            RemoveFile(gameini::InFolder(folder, name));

    for (const RedirectOutcome& outcome : result.packages)
        if (outcome.done == Done::Written || outcome.done == Done::Unchanged) {
            result.bytesIn += outcome.size;
            result.bytesOut += outcome.compressed;
        }
    if (!options.dryRun && manifestChanged)
        PutFile(manifestPath, ManifestText(manifest));
    if (!options.dryRun && (manifestChanged || options.prune) && fsync(held.fd) != 0)
        gameini::ThrowSystemError(errno, "Cannot flush the folder " + folder);
    return result;
}

} // namespace redirect

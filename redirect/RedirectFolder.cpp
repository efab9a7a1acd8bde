#include "redirect/RedirectFolder.h"

#include "gameini/ConfigurationLock.h"
#include "gameini/Directory.h"
#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"
#include "redirect/Manifest.h"
#include "redirect/Uz2.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <future>
#include <set>
#include <sys/stat.h>

namespace redirect {
namespace {

using Done = RedirectOutcome::Done;

// What becomes of a package as far as its action tells: one sent is written
// unless its .uz2 is found up to date.
Done DoneFor(Action action) {
    switch (action) {
    case Action::Send:
        break;
    case Action::NotDownloadable:
        return Done::NotDownloadable;
    case Action::ServerOnly:
        return Done::ServerOnly;
    case Action::Excluded:
        return Done::Excluded;
    }
    return Done::Written;
}

// The name a file of the folder is written under before it is renamed into place.
std::string PartName(std::string_view name) {
    return "." + std::string(name) + ".part";
}

bool IsPartName(std::string_view name) {
    return name == PartName(kManifestName) || (name.starts_with('.') && name.ends_with(".part") &&
                                               IsUz2FileName(name.substr(0, name.size() - 5)));
}

// Writes the bytes under a temporary name beside the file, flushes them and
// renames them into place: a kill at any moment leaves the old file or the
// new one under the name, never a part of one.
void PutFile(gameini::FileSystem& fileSystem, const std::string& path, std::string_view bytes) {
    const std::string part =
        gameini::InFolder(gameini::FolderOf(path), PartName(gameini::NameOf(path)));
    gameini::MadeFile made(fileSystem, part);
    gameini::FileDescriptor file = fileSystem.CreateFresh(part);
    fileSystem.Write(file, bytes, part);
    fileSystem.Close(std::move(file), part);
    fileSystem.FlushNewFile(part, path);
    fileSystem.Rename(part, path);
    made.Keep();
}

// The folder, made if missing, and held against another run into it.
gameini::FileDescriptor HoldFolder(const std::string& folder, std::chrono::milliseconds wait,
                                   gameini::FileSystem& fileSystem) {
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        gameini::ThrowSystemError(errno, "Cannot make the folder " + folder);
    gameini::FileDescriptor held(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (held.fd < 0)
        gameini::ThrowSystemError(errno, "Cannot open the folder " + folder);
    gameini::LockWaiting(held, true, folder, wait, fileSystem);
    return held;
}

bool SameBytes(const std::string& uz2Path, const std::string& packagePath) {
    const std::string package = gameini::ReadWholeFile(packagePath);
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
                                    const RedirectProgress& progress,
                                    gameini::FileSystem& fileSystem) {
    const gameini::FileDescriptor held =
        options.dryRun ? gameini::FileDescriptor() : HoldFolder(folder, options.wait, fileSystem);
    const std::string manifestPath = gameini::InFolder(folder, kManifestName);
    const std::map<std::string, Made> manifest = ReadManifest(manifestPath);

    RedirectResult result;
    std::vector<std::pair<size_t, struct stat>> sent; // a package sent, and its file now
    uint64_t bytesAll = 0;
    for (const Download& download : set.packages) {
        result.packages.push_back({download.name, download.file,
                                   gameini::NameOf(download.file) + ".uz2", 0, 0,
                                   DoneFor(download.action)});
        if (download.action != Action::Send)
            continue;
        struct stat info;
        if (stat(download.file.c_str(), &info) != 0)
            gameini::ThrowSystemError(errno, "Cannot read " + download.file);
        result.packages.back().size = static_cast<uint64_t>(info.st_size);
        bytesAll += result.packages.back().size;
        sent.emplace_back(result.packages.size() - 1, info);
    }

    std::map<std::string, Made> kept; // the manifest as it is to be: the packages sent
    std::set<std::string> needed;     // the .uz2 files that stay
    uint64_t bytesDone = 0;
    size_t done = 0;
    std::future<void> writing; // a .uz2 is written while the next package is compressed
    for (const auto& [index, info] : sent) {
        const Download& download = set.packages[index];
        RedirectOutcome& outcome = result.packages[index];
        const std::string uz2Path = gameini::InFolder(folder, outcome.uz2);
        const std::optional<uint64_t> uz2Size = Uz2SizeOf(uz2Path);
        Made made = MadeFrom(download, info);
        const auto known = manifest.find(outcome.uz2);
        if (known != manifest.end() && UpToDate(known->second, made, uz2Size) &&
            (!options.verify || known->second.oversize || SameBytes(uz2Path, download.file))) {
            made = known->second;
            outcome.compressed = made.uz2Size;
            outcome.done = made.oversize ? Done::Oversize : Done::Unchanged;
        } else if (!options.dryRun) {
            CompressedFile compressed =
                CompressPackageFile(download.file, options.level, options.threads);
            outcome.compressed = compressed.uz2.size();
            made.size = compressed.size;
            // The client cuts a download off at the package's size.
            made.oversize = compressed.uz2.size() > compressed.size;
            made.uz2Size = made.oversize ? 0 : compressed.uz2.size();
            outcome.done = made.oversize ? Done::Oversize : Done::Written;
            if (writing.valid())
                writing.get();
            if (made.oversize && uz2Size)
                fileSystem.Remove(uz2Path);
            else if (!made.oversize)
                writing = std::async(std::launch::async,
                                     [&fileSystem, uz2Path, uz2 = std::move(compressed.uz2)] {
                                         PutFile(fileSystem, uz2Path, uz2);
                                     });
        }
        if (!made.oversize)
            needed.insert(outcome.uz2);
        kept[outcome.uz2] = made;
        bytesDone += outcome.size;
        progress(++done, sent.size(), bytesDone, bytesAll);
        if (outcome.done == Done::Written || outcome.done == Done::Unchanged) {
            result.bytesIn += outcome.size;
            result.bytesOut += outcome.compressed;
        }
    }
    if (writing.valid())
        writing.get();

    gameini::Directory dir(folder);
    bool removed = false;
    while (const dirent* entry = dir.Next()) {
        const std::string_view name = entry->d_name;
        if (dir.KindOf(*entry) != gameini::EntryKind::File)
            continue;
        if (IsUz2FileName(name) && !needed.contains(entry->d_name))
            result.unneeded.emplace_back(name);
        else if (!options.dryRun && IsPartName(name)) {
            fileSystem.Remove(gameini::InFolder(folder, name)); // a killed run's
            removed = true;
        }
    }
    std::sort(result.unneeded.begin(), result.unneeded.end());
    if (options.dryRun)
        return result;
    if (options.prune)
        for (const std::string& name : result.unneeded) {
            fileSystem.Remove(gameini::InFolder(folder, name));
            removed = true;
        }
    const bool manifestChanged = kept != manifest;
    if (manifestChanged)
        PutFile(fileSystem, manifestPath, ManifestText(kept));
    if (manifestChanged || removed)
        fileSystem.FlushFolder(folder);
    return result;
}

} // namespace redirect

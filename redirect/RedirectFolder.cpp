#include "redirect/RedirectFolder.h"

#include "gameini/Directory.h"
#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/FolderHold.h"
#include "gameini/GamePath.h"
#include "gameini/SystemCalls.h"
#include "redirect/Manifest.h"
#include "redirect/Uz2.h"
#include "redirect/Uz2Compressor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <future>

namespace redirect {
namespace {

using Fate = RedirectOutcome::Fate;

// What becomes of a package as far as its action tells: one sent is written
// unless its .uz2 is found up to date.
Fate FateFor(Action action) {
    switch (action) {
    case Action::Send:
        break;
    case Action::NotDownloadable:
        return Fate::NotDownloadable;
    case Action::ServerOnly:
        return Fate::ServerOnly;
    case Action::Excluded:
        return Fate::Excluded;
    }
    return Fate::Written;
}

// The name a file of the folder is written under before it is renamed into place.
std::string PartName(std::string_view name) {
    return std::string(".").append(name).append(".part"); // "." + ... trips GCC 12's -Wrestrict
}

bool IsPartName(std::string_view name) {
    return name == PartName(kManifestName) || (name.starts_with('.') && name.ends_with(".part") &&
                                               IsUz2FileName(name.substr(0, name.size() - 5)));
}

std::string PartPathOf(const std::string& path) {
    return gameini::InFolder(gameini::FolderOf(path), PartName(gameini::NameOf(path)));
}

// Writes the bytes under a temporary name beside the file, flushes them and
// renames them into place: a kill at any moment leaves the old file or the
// new one under the name, never a part of one.
void PutFile(gameini::FileSystem& fileSystem, const std::string& path, std::string_view bytes) {
    const std::string part = PartPathOf(path);
    gameini::MadeFile made(fileSystem, part);
    gameini::FileDescriptor file = fileSystem.CreateFresh(part);
    fileSystem.Write(file, bytes, part);
    fileSystem.Close(std::move(file), part);
    fileSystem.FlushNewFile(part, path);
    fileSystem.Rename(part, path);
    made.Keep();
}

bool StillItsPackage(const std::string& uz2Path, const std::string& packageFile) {
    try {
        return Uz2Mismatch(uz2Path, packageFile).empty();
    } catch (const gameini::Error&) { // FileError or DamageError
        return false;                 // made again, and a package that cannot be read says so then
    }
}

// The .uz2 files a run writes: each compressed chunk by chunk into its part
// file, then flushed and renamed into place on a thread of its own while the
// next package is compressed, and noted in the journal once it is in place.
class Uz2Writer {
public:
    Uz2Writer(gameini::FileSystem& fileSystem, const std::string& folder,
              const RedirectOptions& options)
        : fileSystem_(fileSystem), journal_(gameini::InFolder(folder, kJournalName)),
          options_(options) {}

    // Compresses the package into the part file of `uz2Path`, and sets it on
    // its way into place: Written; Oversize, with nothing kept, when the
    // .uz2 would be longer than the package, which the client cuts off; or
    // Unreadable, with the reason in `problem`. `made` gets the package's
    // size, `compressed` the .uz2's. What was written before is noted in
    // `kept`. Throws FileError when the part file cannot be written.
    Fate Write(const std::string& packageFile, const std::string& uz2Path, ManifestEntry& made,
               uint64_t& compressed, std::string& problem,
               std::map<std::string, ManifestEntry>& kept) {
        if (!pool_)
            pool_.emplace(options_.compression, options_.threads);
        const std::string part = PartPathOf(uz2Path);
        gameini::MadeFile madePart(fileSystem_, part);
        gameini::FileDescriptor file = fileSystem_.CreateFresh(part);
        std::string pending; // written a piece at a time, not a chunk at a time
        std::exception_ptr failedWrite;
        compressed = 0;
        auto put = [&](std::string_view chunk) {
            compressed += chunk.size();
            if (compressed > made.size)
                return false; // oversize: no use going on
            pending += chunk;
            if (pending.size() < kWritePiece)
                return true;
            try {
                fileSystem_.Write(file, pending, part);
            } catch (...) {
                failedWrite = std::current_exception();
                return false;
            }
            pending.clear();
            return true;
        };
        std::optional<uint64_t> size;
        try {
            size = CompressPackageFile(packageFile, *pool_, put);
        } catch (const gameini::Error& error) { // FileError or DamageError
            problem = error.what();
            return Fate::Unreadable;
        }
        if (failedWrite)
            std::rethrow_exception(failedWrite);
        if (!size)
            return Fate::Oversize;
        fileSystem_.Write(file, pending, part);
        fileSystem_.Close(std::move(file), part);
        made.size = *size;
        Finish(kept);
        madePart.Keep(); // the flushing thread's now
        uz2_ = gameini::NameOf(uz2Path);
        flushing_ = std::async(std::launch::async, [this, part, uz2Path, made]() mutable {
            gameini::MadeFile madePart(fileSystem_, part);
            fileSystem_.FlushNewFile(part, uz2Path);
            fileSystem_.Rename(part, uz2Path);
            madePart.Keep();
            if (const std::optional<gameini::FileStatus> written = Uz2StatusOf(uz2Path))
                NoteUz2(made, *written);
            return made;
        });
        return Fate::Written;
    }
    // Waits for the .uz2 on its way into place, and notes it in `kept` and
    // in the journal.
    void Finish(std::map<std::string, ManifestEntry>& kept) {
        if (!flushing_.valid())
            return;
        const ManifestEntry made = flushing_.get();
        kept[uz2_] = made;
        Note(made);
    }

private:
    static constexpr size_t kWritePiece = size_t{1} << 20;

    // The journal only saves work when a run is stopped: a line that cannot
    // be written is not worth stopping for.
    void Note(const ManifestEntry& made) {
        if (journalFailed_)
            return;
        try {
            if (journalFile_.Get() < 0) {
                journalFile_ = gameini::FileDescriptor(gameini::OpenToAppend(journal_));
                if (journalFile_.Get() < 0)
                    gameini::ThrowSystemError(errno, "Cannot open " + journal_);
            }
            fileSystem_.Write(journalFile_, JournalLine(uz2_, made), journal_);
        } catch (const gameini::FileError&) {
            journalFailed_ = true;
        }
    }

    gameini::FileSystem& fileSystem_;
    std::string journal_, uz2_;
    const RedirectOptions& options_;
    std::optional<Uz2Compressor> pool_; // made when a package is first compressed
    gameini::FileDescriptor journalFile_;
    bool journalFailed_ = false;
    std::future<ManifestEntry> flushing_;
};

} // namespace

const char* FateName(Fate fate) {
    switch (fate) {
    case Fate::Written:
        return "written";
    case Fate::Unchanged:
        return "unchanged";
    case Fate::Oversize:
        return "oversize";
    case Fate::NotDownloadable:
        return "not-downloadable";
    case Fate::ServerOnly:
        return "server-only";
    case Fate::Excluded:
        return "excluded";
    case Fate::Unreadable:
        return "unreadable";
    }
    return "";
}

namespace {

// One run into the folder: the manifest it found, the one it leaves, and
// what became of each package.
class FolderRun {
public:
    FolderRun(const DownloadSet& set, const std::string& folder, const std::string& configuration,
              const RedirectOptions& options, gameini::FileSystem& fileSystem)
        : set_(set), folder_(folder), configuration_(configuration), options_(options),
          fileSystem_(fileSystem), manifest_(ReadManifest(folder)) {}

    // Each package's outcome so far; the sent ones' files as they are now.
    void Plan() {
        for (const Download& download : set_.packages) {
            result_.packages.push_back({download.name, download.file, Uz2NameOf(download.file), 0,
                                        0, FateFor(download.action), ""});
            if (download.action != Action::Send)
                continue;
            const std::optional<gameini::FileStatus> info = gameini::StatusOf(download.file);
            if (!info) {
                result_.packages.back().fate = Fate::Unreadable;
                result_.packages.back().problem = std::strerror(errno);
                continue;
            }
            result_.packages.back().size = info->size;
            bytesAll_ += result_.packages.back().size;
            sent_.emplace_back(result_.packages.size() - 1, *info);
        }
    }

    // Writes each .uz2 that does not hold its package yet.
    void Compress(const RedirectProgress& progress) {
        Uz2Writer writer(fileSystem_, folder_, options_);
        uint64_t bytesDone = 0;
        size_t done = 0;
        for (const auto& [index, info] : sent_) {
            RedirectOutcome& outcome = result_.packages[index];
            const std::string uz2Path = gameini::InFolder(folder_, outcome.uz2);
            const std::optional<gameini::FileStatus> uz2 = Uz2StatusOf(uz2Path);
            ManifestEntry made = MadeFrom(set_.packages[index], info);
            if (const auto known = manifest_.find(outcome.uz2); known != manifest_.end())
                made.neededFor = known->second.neededFor;
            made.neededFor.insert(configuration_);
            if (!AsMadeBefore(made, uz2, uz2Path, outcome) && !options_.dryRun) {
                outcome.fate = writer.Write(outcome.file, uz2Path, made, outcome.compressed,
                                            outcome.problem, kept_);
                made.oversize = outcome.fate == Fate::Oversize;
                if (made.oversize) {
                    outcome.compressed = 0;
                    if (uz2)
                        fileSystem_.Remove(uz2Path);
                }
            }
            if ((outcome.fate != Fate::Written || options_.dryRun) &&
                outcome.fate != Fate::Unreadable)
                kept_[outcome.uz2] = made;
            bytesDone += outcome.size;
            progress(++done, sent_.size(), bytesDone, bytesAll_);
            if (outcome.fate == Fate::Written || outcome.fate == Fate::Unchanged) {
                result_.bytesIn += outcome.size;
                result_.bytesOut += outcome.compressed;
            }
        }
        writer.Finish(kept_);
        // A package that cannot be read now is still needed: its .uz2 stays as it is.
        for (const RedirectOutcome& outcome : result_.packages)
            if (const auto known = manifest_.find(outcome.uz2);
                outcome.fate == Fate::Unreadable && known != manifest_.end()) {
                kept_[outcome.uz2] = known->second;
                kept_[outcome.uz2].neededFor.insert(configuration_);
            }
    }

    // Lists, and with --prune deletes, what no configuration needs now; lists
    // what was not made here; deletes a killed run's part files. Then writes
    // the manifest as it is now.
    RedirectResult Sweep(bool journalFound) {
        bool removed = false;
        // What this configuration no longer needs stays for the others that do.
        for (const auto& [uz2, entry] : manifest_) {
            if (kept_.contains(uz2))
                continue;
            ManifestEntry others = entry;
            others.neededFor.erase(configuration_);
            const bool there = Uz2StatusOf(gameini::InFolder(folder_, uz2)).has_value();
            if (!others.neededFor.empty() || (there && !options_.prune))
                kept_[uz2] = others;
            if (others.neededFor.empty() && there) {
                result_.unneeded.push_back(uz2);
                if (options_.prune && !options_.dryRun) {
                    fileSystem_.Remove(gameini::InFolder(folder_, uz2));
                    removed = true;
                }
            }
        }
        gameini::Directory dir(folder_);
        while (const char* entry = dir.Next()) {
            const std::string name = entry;
            if (dir.KindOfLast() != gameini::EntryKind::File)
                continue;
            if (IsUz2FileName(name) && !manifest_.contains(name) && !kept_.contains(name))
                result_.notMadeHere.push_back(name);
            else if (!options_.dryRun && IsPartName(name)) {
                fileSystem_.Remove(gameini::InFolder(folder_, name)); // a killed run's
                removed = true;
            }
        }
        std::sort(result_.notMadeHere.begin(), result_.notMadeHere.end());
        if (!options_.dryRun)
            PutManifest(journalFound, removed);
        return result_;
    }

private:
    // Whether the .uz2 still holds the package as an earlier run made it:
    // then the outcome says so. Another server's copy of the same package, a
    // .uz2 changed behind the manifest's back, or --verify: the bytes tell.
    bool AsMadeBefore(ManifestEntry& made, const std::optional<gameini::FileStatus>& uz2,
                      const std::string& uz2Path, RedirectOutcome& outcome) const {
        const auto known = manifest_.find(outcome.uz2);
        if (known == manifest_.end())
            return false;
        const ManifestEntry& before = known->second;
        const bool unchanged = PackageUnchanged(before, made);
        bool same = false;
        if (unchanged && before.oversize)
            same = !uz2;
        else if (unchanged && Uz2AsLeft(before, uz2) && !options_.verify)
            same = true;
        else if (!before.oversize)
            same = uz2 && StillItsPackage(uz2Path, outcome.file);
        if (!same)
            return false;
        made.oversize = before.oversize;
        if (uz2)
            NoteUz2(made, *uz2);
        outcome.compressed = made.uz2Size;
        outcome.fate = made.oversize ? Fate::Oversize : Fate::Unchanged;
        return true;
    }

    void PutManifest(bool journalFound, bool removed) {
        const std::string journalPath = gameini::InFolder(folder_, kJournalName);
        const bool manifestChanged = kept_ != manifest_ || journalFound;
        if (manifestChanged)
            PutFile(fileSystem_, gameini::InFolder(folder_, kManifestName), ManifestText(kept_));
        if (gameini::ExistsNotFollowingLinks(journalPath))
            fileSystem_.Remove(journalPath); // folded into the manifest
        if (manifestChanged || removed)
            fileSystem_.FlushFolder(folder_);
    }

    const DownloadSet& set_;
    const std::string& folder_;
    const std::string& configuration_;
    const RedirectOptions& options_;
    gameini::FileSystem& fileSystem_;
    const std::map<std::string, ManifestEntry> manifest_;
    std::map<std::string, ManifestEntry> kept_;                // the manifest as it is to be
    std::vector<std::pair<size_t, gameini::FileStatus>> sent_; // a package sent, and its file now
    uint64_t bytesAll_ = 0;
    RedirectResult result_;
};

} // namespace

RedirectResult UpdateRedirectFolder(const DownloadSet& set, const std::string& folder,
                                    const std::string& configuration,
                                    const RedirectOptions& options,
                                    const RedirectProgress& progress,
                                    gameini::FileSystem& fileSystem) {
    std::optional<gameini::FolderHold> held;
    if (!options.dryRun)
        held.emplace(folder, options.wait, fileSystem);
    const bool journalFound =
        gameini::ExistsNotFollowingLinks(gameini::InFolder(folder, kJournalName));
    FolderRun run(set, folder, configuration, options, fileSystem);
    run.Plan();
    run.Compress(progress);
    return run.Sweep(journalFound);
}

} // namespace redirect

#include "gameini/ReplaceWithBackup.h"
#include "gameini/FileDescriptor.h"

#include "gameini/Error.h"
#include "gameini/GamePath.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace gameini {
namespace {

// `error` with where the configuration is now, as the same kind of error.
[[noreturn]] void ThrowKeptAs(const Error& error, const std::string& where) {
    const std::string kept = std::string(error.what()) + where;
    if (const auto* fileError = dynamic_cast<const FileError*>(&error))
        throw FileError(fileError->number(), kept);
    throw ConfigurationError(kept);
}

// On the game's home platform a name is taken whatever its letter case; a
// rename onto it must fail rather than leave two configurations side by side.
void RenameOntoFreeName(FileSystem& fileSystem, const std::string& from, const std::string& to) {
    const std::string taken = ResolvePath(to);
    if (ExistsNotFollowingLinks(taken))
        throw ConfigurationError("Cannot rename " + from + " to " + to + ": " + taken +
                                 " already exists");
    fileSystem.RenameNoReplace(from, to);
}

// Steps 2 and 3 where the file system cannot swap two names.
void ReplaceByRenames(const ConfigurationFiles& files, MadeFile& work, FileSystem& fileSystem) {
    try {
        fileSystem.Remove(ResolvePath(files.backup));
    } catch (const FileError&) {
        // Usually there is no backup yet; if its name stays taken, the next
        // step says so.
    }
    RenameOntoFreeName(fileSystem, files.config, files.backup);
    try {
        RenameOntoFreeName(fileSystem, files.work, files.saved);
        work.Keep();
    } catch (const Error& error) {
        try {
            fileSystem.RenameNoReplace(files.backup, files.config);
        } catch (const FileError&) {
            work.Keep(); // the new configuration, now the only one
            ThrowKeptAs(error, " (the previous configuration is kept as " + files.backup +
                                   ", the new one as " + files.work + ")");
        }
        throw;
    }
}

// Step 4: the name the game reads, where only the letter case differs.
void GiveSavedName(const ConfigurationFiles& files, FileSystem& fileSystem) {
    if (NameOf(files.config) == NameOf(files.saved))
        return;
    try {
        fileSystem.RenameNoReplace(files.config, files.saved);
    } catch (const FileError& error) {
        throw FileError(error.number(),
                        "the configuration was saved as " + files.config + ", but " + error.what());
    }
}

// Steps 2 to 4 on a file system that swaps two names in one step.
void ReplaceBySwap(const ConfigurationFiles& files, MadeFile& work, FileSystem& fileSystem) {
    // The work file now holds the previous configuration.
    try {
        fileSystem.Rename(files.work, files.backup);
        work.Keep();
    } catch (const Error& error) {
        bool undone = false;
        try {
            undone = fileSystem.Exchange(files.work, files.config);
        } catch (const Error&) {
        }
        if (!undone) {
            work.Keep();
            ThrowKeptAs(error, " (the configuration was saved; the previous one is kept as " +
                                   files.work + ")");
        }
        throw;
    }
    GiveSavedName(files, fileSystem);
}

// Overwrites the file's bytes with `bytes`, from its start, through a
// descriptor that OpenForOverwrite gave.
void Overwrite(FileSystem& fileSystem, FileDescriptor file, const std::string& path,
               const std::string& bytes) {
    fileSystem.Write(file, bytes, path);
    fileSystem.FinishOverwrite(std::move(file), bytes.size(), path);
}

bool SameBytes(const std::string& a, const std::string& b) {
    std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
    return first && second &&
           std::equal(std::istreambuf_iterator<char>(first), {},
                      std::istreambuf_iterator<char>(second), {});
}

} // namespace

void ReplaceWithBackup(const ConfigurationFiles& files, FileSystem& fileSystem) {
    MadeFile work(fileSystem, files.work);
    fileSystem.FlushNewFile(files.work, files.config);
    if (fileSystem.ReplaceKeepingBackup(files.config, files.work, files.backup)) {
        work.Keep();
        GiveSavedName(files, fileSystem);
    } else if (fileSystem.Exchange(files.work, files.config)) {
        ReplaceBySwap(files, work, fileSystem);
    } else {
        ReplaceByRenames(files, work, fileSystem);
    }
    try {
        fileSystem.FlushFolder(FolderOf(files.saved));
    } catch (const FileError& error) {
        throw FileError(error.number(), "the configuration was saved, but the folder " +
                                            FolderOf(files.saved) + " cannot be flushed to disk (" +
                                            std::strerror(error.number()) +
                                            "), so the save may not survive a power failure");
    }
}

void ReplaceInPlace(const ConfigurationFiles& files, const std::string& before,
                    const std::string& after, FileSystem& fileSystem) {
    MadeFile work(fileSystem, files.work);
    FileDescriptor copy = fileSystem.CreateFresh(files.work);
    fileSystem.Write(copy, before, files.work);
    fileSystem.Close(std::move(copy), files.work);
    fileSystem.FlushNewFile(files.work, files.config);
    fileSystem.RenameNoReplace(files.work, files.unfinished);
    work.Keep();
    MadeFile unfinished(fileSystem, files.unfinished);
    fileSystem.FlushFolder(FolderOf(files.unfinished));

    // Until the first byte is written, a failure leaves the configuration
    // as it is; after it, the old bytes go back.
    FileDescriptor config = fileSystem.OpenForOverwrite(files.config);
    fileSystem.Reserve(config, after.size(), files.config);
    try {
        Overwrite(fileSystem, std::move(config), files.config, after);
    } catch (const FileError& error) {
        try {
            Overwrite(fileSystem, fileSystem.OpenForOverwrite(files.config), files.config, before);
        } catch (const FileError&) {
            unfinished.Keep();
            throw FileError(error.number(), std::string(error.what()) +
                                                " (the previous configuration is kept as " +
                                                files.unfinished + ")");
        }
        throw FileError(error.number(),
                        std::string(error.what()) + "; " + files.config + " was left as it was");
    }
    unfinished.Keep();
    fileSystem.Rename(files.unfinished, files.backup);
    fileSystem.FlushFolder(FolderOf(files.backup));
}

bool RefusedAsMountPoint(const FileError& error) {
    return error.number() == EBUSY;
}

void RefuseUnfinishedSave(const ConfigurationFiles& files, FileSystem& fileSystem) {
    if (!ExistsNotFollowingLinks(files.unfinished))
        return;
    // Stopped before the first byte was overwritten, or after they were all
    // put back.
    if (SameBytes(files.unfinished, files.config)) {
        fileSystem.Remove(files.unfinished);
        return;
    }
    throw ConfigurationError(
        "A save of " + files.config + " in place did not finish: " + files.unfinished +
        " holds the configuration as it was before. If " + NameOf(files.config) +
        " is damaged, copy that back (cp " + files.unfinished + " " + files.config +
        "); then delete " + NameOf(files.unfinished) + " and save again.");
}

} // namespace gameini

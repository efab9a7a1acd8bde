#include "ReplaceWithBackup.h"

#include "Error.h"
#include "GamePath.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace gameini {
namespace {

// On the game's home platform a name is taken whatever its letter case; a
// rename onto it must fail rather than leave two configurations side by side.
void RenameOntoFreeName(FileSystem& fileSystem, const std::string& from, const std::string& to) {
    const std::string taken = ResolvePath(to);
    if (Exists(taken))
        throw ConfigurationError("Cannot rename " + from + " to " + to + ": " + taken +
                                 " already exists");
    fileSystem.RenameNoReplace(from, to);
}

} // namespace

void RemoveOldBackup(const ConfigurationFiles& files, FileSystem& fileSystem) {
    try {
        fileSystem.Remove(ResolvePath(files.backup));
    } catch (const FileError&) {
        // Usually there is no backup yet; if its name stays taken, the step
        // that needs it says so.
    }
}

void ReplaceWithBackup(const ConfigurationFiles& files, FileSystem& fileSystem) {
    fileSystem.FlushNewFile(files.work, files.config);
    RemoveOldBackup(files, fileSystem);
    RenameOntoFreeName(fileSystem, files.config, files.backup);
    try {
        RenameOntoFreeName(fileSystem, files.work, files.saved);
    } catch (const Error& error) {
        try {
            fileSystem.RenameNoReplace(files.backup, files.config);
        } catch (const FileError&) {
            const std::string kept = std::string(error.what()) +
                                     " (the previous configuration is kept as " + files.backup +
                                     ")";
            if (const auto* fileError = dynamic_cast<const FileError*>(&error))
                throw FileError(fileError->number(), kept);
            throw ConfigurationError(kept);
        }
        throw;
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

void RestoreBackup(const ConfigurationFiles& files, FileSystem& fileSystem) {
    const std::string backup = ResolvePath(files.backup);
    for (const std::string& needed : {files.config, backup}) {
        if (!Exists(needed))
            throw FileError(errno, "Cannot restore " + files.config +
                                       " from its backup: " + needed + " does not exist");
    }
    fileSystem.Exchange(files.config, backup);
    fileSystem.FlushFolder(FolderOf(files.config));
}

} // namespace gameini

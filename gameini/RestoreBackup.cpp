#include "gameini/RestoreBackup.h"

#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"
#include "gameini/ReplaceWithBackup.h"

#include <cerrno>

namespace gameini {
namespace {

// The previous configuration, copied or moved to the work file, takes the
// backup's name. When that fails, the copy is kept and named.
void NameThePrevious(const ConfigurationFiles& files, const std::string& backup, MadeFile& work,
                     FileSystem& fileSystem) {
    try {
        fileSystem.Rename(files.work, backup);
    } catch (const FileError& error) {
        work.Keep(); // the previous configuration, now the only copy
        throw FileError(error.number(), std::string(error.what()) +
                                            " (restored; the previous "
                                            "configuration is kept as " +
                                            files.work + ")");
    }
    work.Keep();
}

// Where the file system cannot swap two names: the configuration is copied
// to the work file, the backup renamed over the configuration, and the copy
// renamed to the backup's name, so that the configuration's name always
// holds a whole configuration.
void RestoreByRenames(const ConfigurationFiles& files, const std::string& backup,
                      FileSystem& fileSystem) {
    MadeFile work(fileSystem, files.work);
    FileDescriptor copy = fileSystem.CreateFresh(files.work);
    fileSystem.Write(copy, ReadWholeFile(files.config, kMostRestoredBytes), files.work);
    fileSystem.Close(std::move(copy), files.work);
    fileSystem.FlushNewFile(files.work, files.config);
    fileSystem.Rename(backup, files.config);
    NameThePrevious(files, backup, work, fileSystem);
}

// Where the system has its own call to put a file in another's place keeping
// that one (Windows, where no rename may replace a file that is open): the
// configuration moves to the work file's name, then to the backup's.
bool RestoreKeepingThePrevious(const ConfigurationFiles& files, const std::string& backup,
                               FileSystem& fileSystem) {
    if (!fileSystem.ReplaceKeepingBackup(files.config, backup, files.work))
        return false;
    MadeFile work(fileSystem, files.work);
    NameThePrevious(files, backup, work, fileSystem);
    return true;
}

// Swaps the configuration and its backup by name; false, with nothing
// changed, when the configuration proves a mount point that the mount table
// did not show (another namespace's view).
bool RestoreByReplacing(const ConfigurationFiles& files, const std::string& backup,
                        FileSystem& fileSystem) {
    try {
        if (!fileSystem.Exchange(files.config, backup) &&
            !RestoreKeepingThePrevious(files, backup, fileSystem))
            RestoreByRenames(files, backup, fileSystem);
    } catch (const FileError& error) {
        if (!RefusedAsMountPoint(error) || !ExistsNotFollowingLinks(backup))
            throw;
        return false;
    }
    fileSystem.FlushFolder(FolderOf(files.config));
    return true;
}

} // namespace

InPlace RestoreBackup(const LockedConfiguration& configuration, FileSystem& fileSystem) {
    const ConfigurationFiles& files = configuration.Files();
    RefuseUnfinishedSave(files, fileSystem);
    const std::string backup = ResolvePath(files.backup);
    for (const std::string& needed : {files.config, backup}) {
        if (!ExistsNotFollowingLinks(needed))
            throw FileError(ENOENT, "Cannot restore " + files.config +
                                        " from its backup: " + needed + " does not exist");
    }
    const FileDescriptor incoming = HoldIncoming(backup, fileSystem);
    if (files.inPlace == InPlace::No && RestoreByReplacing(files, backup, fileSystem))
        return InPlace::No;
    ConfigurationFiles inPlace = files;
    inPlace.backup = backup; // swapped with the configuration, in whatever letter case
    try {
        ReplaceInPlace(inPlace, ReadWholeFile(files.config, kMostRestoredBytes),
                       ReadWholeFile(backup, kMostRestoredBytes), fileSystem);
    } catch (const FileError& error) {
        throw FileError(error.number(), std::string(error.what()) +
                                            "; to restore it by hand, copy its backup over it: "
                                            "cp " +
                                            backup + " " + files.config);
    }
    return files.inPlace == InPlace::No ? InPlace::MountPoint : files.inPlace;
}

} // namespace gameini

#include "gameini/RestoreBackup.h"

#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"
#include "gameini/ReplaceWithBackup.h"

#include <cerrno>

namespace gameini {

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
    try {
        if (files.inPlace == InPlace::No) {
            if (!fileSystem.Exchange(files.config, backup)) {
                // Through a free third name, so that neither is missing for
                // longer than one rename.
                const std::string aside = files.config + ".swap";
                fileSystem.RenameNoReplace(files.config, aside);
                fileSystem.RenameNoReplace(backup, files.config);
                fileSystem.RenameNoReplace(aside, backup);
            }
            fileSystem.FlushFolder(FolderOf(files.config));
            return InPlace::No;
        }
    } catch (const FileError& error) {
        // A mount point that mountinfo did not show (another namespace's view).
        if (error.number() != EBUSY)
            throw;
    }
    ConfigurationFiles inPlace = files;
    inPlace.backup = backup; // swapped with the configuration, in whatever letter case
    try {
        ReplaceInPlace(inPlace, ReadWholeFile(files.config), ReadWholeFile(backup), fileSystem);
    } catch (const FileError& error) {
        throw FileError(error.number(), std::string(error.what()) +
                                            "; to restore it by hand, copy its backup over it: "
                                            "cp " +
                                            backup + " " + files.config);
    }
    return files.inPlace == InPlace::No ? InPlace::MountPoint : files.inPlace;
}

} // namespace gameini

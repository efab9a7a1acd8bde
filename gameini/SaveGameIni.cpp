#include "SaveGameIni.h"

#include "Error.h"
#include "GamePath.h"
#include "ReplaceWithBackup.h"

#include <cerrno>
#include <unistd.h>

namespace gameini {
namespace {

using Version = RewrittenGameIni::Version;

// Writes one version of the configuration as a new file.
void WriteNewFile(FileSystem& fileSystem, const std::string& path, const RewrittenGameIni& rewrite,
                  Version version) {
    const int fd = fileSystem.CreateFresh(path);
    try {
        rewrite.Write(version, [&](std::string_view piece) { fileSystem.Write(fd, piece, path); });
    } catch (const Error&) {
        fileSystem.Close(fd, path);
        throw;
    }
    fileSystem.Close(fd, path);
}

// Saves a configuration that cannot be renamed: the backup first, as a new
// file flushed with its folder, then the configuration's own bytes.
void SaveInPlace(const ConfigurationFiles& files, const RewrittenGameIni& rewrite,
                 FileSystem& fileSystem) {
    // The new bytes come from the old ones, which the overwrite destroys.
    const std::string after = rewrite.Bytes(Version::After);
    RemoveOldBackup(files, fileSystem);
    WriteNewFile(fileSystem, files.backup, rewrite, Version::Before);
    fileSystem.FlushNewFile(files.backup, files.config);
    fileSystem.FlushFolder(FolderOf(files.backup));

    const int fd = fileSystem.OpenForOverwrite(files.config);
    bool open = true;
    try {
        fileSystem.Write(fd, after, files.config);
        open = false; // closed by the next call, whether it fails or not
        fileSystem.FinishOverwrite(fd, after.size(), files.config);
    } catch (const FileError& error) {
        if (open)
            close(fd);
        throw FileError(error.number(), std::string(error.what()) +
                                            " (the previous configuration is kept as " +
                                            files.backup + ")");
    }
}

} // namespace

SaveResult SaveGameIni(const ConfigurationFiles& files, const EditPackages& edit, SaveMode mode,
                       FileSystem& fileSystem) {
    const RewrittenGameIni rewrite = RewriteGameIni(files.config, edit);
    SaveResult result;
    result.changed = rewrite.Changed();
    result.before = rewrite.Before();
    result.after = rewrite.After();
    if (mode == SaveMode::DryRun) {
        result.bytesBefore = rewrite.Bytes(Version::Before);
        result.bytesAfter = rewrite.Bytes(Version::After);
        return result;
    }
    if (mode == SaveMode::WhenChanged && !result.changed)
        return result;

    RefuseCaseVariants(files);
    result.backup = files.backup;
    result.written = true;
    result.inPlace = files.mounted;
    if (files.mounted) {
        SaveInPlace(files, rewrite, fileSystem);
        return result;
    }
    WriteNewFile(fileSystem, files.work, rewrite, Version::After);
    try {
        ReplaceWithBackup(files, fileSystem);
    } catch (const FileError& error) {
        // A mount point that mountinfo did not show (another namespace's view).
        if (error.number() != EBUSY || !Exists(files.config))
            throw;
        fileSystem.Remove(files.work);
        SaveInPlace(files, rewrite, fileSystem);
        result.inPlace = true;
    }
    return result;
}

} // namespace gameini

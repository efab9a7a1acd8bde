#include "ReplaceWithBackup.h"

#include "Error.h"
#include "GamePath.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace gameini {
namespace {

struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0)
            close(fd);
    }
};

std::string Join(std::string_view folder, const char* name) {
    return NativePath(std::string(folder) + "\\" + name);
}

// On the game's home platform a name is taken whatever its letter case; a
// rename onto it must fail rather than leave two configurations side by side.
void RenameOntoFreeName(FileSystem& fileSystem, const std::string& from, const std::string& to) {
    std::string taken = ResolvePath(to);
    struct stat info;
    if (lstat(taken.c_str(), &info) == 0)
        throw FileError(EEXIST,
                        "Cannot rename " + from + " to " + to + ": " + taken + " already exists");
    fileSystem.RenameNoReplace(from, to);
}

} // namespace

void FileSystem::FlushWorkFile(const std::string& work, const std::string& config) {
    const std::string action = "Cannot flush " + work + " to disk";
    FileDescriptor file{open(work.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
    if (file.fd < 0)
        ThrowSystemError(errno, action);
    struct stat configInfo;
    if (stat(config.c_str(), &configInfo) == 0 && fchmod(file.fd, configInfo.st_mode & 07777) != 0)
        ThrowSystemError(errno, "Cannot set the permissions of " + work);
    if (fsync(file.fd) != 0)
        ThrowSystemError(errno, action);
}

void FileSystem::Remove(const std::string& path) {
    if (unlink(path.c_str()) != 0)
        ThrowSystemError(errno, "Cannot delete " + path);
}

bool FileSystem::KernelRenameNoReplace(const std::string& from, const std::string& to) {
    return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

void FileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
    const std::string action = "Cannot rename " + from + " to " + to;
    if (KernelRenameNoReplace(from, to))
        return;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        ThrowSystemError(errno, action);
    // No RENAME_NOREPLACE on this file system: a hard link fails just as
    // surely when the name is taken.
    if (link(from.c_str(), to.c_str()) != 0)
        ThrowSystemError(errno, action);
    if (unlink(from.c_str()) != 0) {
        int err = errno;
        unlink(to.c_str());
        ThrowSystemError(err, action);
    }
}

void FileSystem::FlushFolder(const std::string& folder) {
    FileDescriptor dir{open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0 || fsync(dir.fd) != 0)
        ThrowSystemError(errno, "Cannot flush the folder " + folder + " to disk");
}

void ReplaceWithBackup(std::string_view folder, FileSystem& fileSystem) {
    const std::string config = ResolvePath(Join(folder, "postal2.ini"));
    const std::string work = ResolvePath(Join(folder, "newp2.ini"));
    const std::string backup = Join(folder, "postal2.ini.old");

    fileSystem.FlushWorkFile(work, config);
    try {
        fileSystem.Remove(ResolvePath(backup));
    } catch (const FileError&) {
        // Usually there is no backup yet; if its name stays taken, the next
        // rename says so.
    }
    RenameOntoFreeName(fileSystem, config, backup);
    try {
        RenameOntoFreeName(fileSystem, work, Join(folder, "Postal2.ini"));
    } catch (const FileError& error) {
        try {
            fileSystem.RenameNoReplace(backup, config);
        } catch (const FileError&) {
            throw FileError(error.number(), std::string(error.what()) +
                                                " (the previous configuration is kept as " +
                                                backup + ")");
        }
        throw;
    }
    fileSystem.FlushFolder(FolderOf(Join(folder, "postal2.ini")));
}

void ReplaceWithBackup(std::string_view folder) {
    FileSystem fileSystem;
    ReplaceWithBackup(folder, fileSystem);
}

} // namespace gameini

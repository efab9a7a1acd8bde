#include "ReplaceWithBackup.h"

#include "Error.h"
#include "GamePath.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>

namespace gameini {
namespace {

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

} // namespace gameini

#pragma once

#include <string>
#include <string_view>

namespace gameini {

// The file operations a replace makes. Each throws FileError on failure; tests
// derive from it to make any one of them fail.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Flushes the work file's data to disk and gives it the permission bits of
    // the configuration it is about to replace.
    virtual void FlushWorkFile(const std::string& work, const std::string& config);
    virtual void Remove(const std::string& path);
    // Renames, failing when a file of exactly the new name exists.
    virtual void RenameNoReplace(const std::string& from, const std::string& to);
    virtual void FlushFolder(const std::string& folder);

protected:
    // The kernel's rename that refuses to replace; false with errno set when
    // it fails. EINVAL means the file system does not offer it.
    virtual bool KernelRenameNoReplace(const std::string& from, const std::string& to);
};

// Puts the work file "newp2.ini" of `folder` in the place of "postal2.ini",
// keeping the previous configuration as "postal2.ini.old":
//   1. delete the old backup (a failure is ignored),
//   2. rename the configuration to "postal2.ini.old",
//   3. rename the work file to "Postal2.ini".
// When step 3 fails the backup is renamed back, so the game never finds itself
// without a configuration, and the error is thrown.
void ReplaceWithBackup(std::string_view folder, FileSystem& fileSystem);
void ReplaceWithBackup(std::string_view folder);

} // namespace gameini

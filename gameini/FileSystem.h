#pragma once

#include "gameini/FileDescriptor.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace gameini {

// What a program does with a configuration while it holds it.
enum class Access {
    Read,  // many readers at once, while no one saves it
    Write, // one writer, while no one else reads or saves it
};

// The file operations that change files on disk when the configuration is
// rewritten and replaced. Each throws FileError naming the file on failure;
// tests derive from it to make any one of them fail.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Creates the file afresh for writing. A file or symbolic link of that
    // name is removed first, so a link is never followed.
    virtual FileDescriptor CreateFresh(const std::string& path);
    // Writes all of `bytes` to the open file.
    virtual void Write(const FileDescriptor& file, std::string_view bytes, const std::string& path);
    // Closes the file, reporting a write the system finished only then. The
    // descriptor is gone even when this fails.
    virtual void Close(FileDescriptor file, const std::string& path);
    // Gives a file just written the owner, group and permission bits of
    // `like` (the owner and group as far as the system allows), then flushes
    // its data to disk.
    virtual void FlushNewFile(const std::string& path, const std::string& like);
    virtual void Remove(const std::string& path);
    // Renames, failing when a file of exactly the new name exists.
    virtual void RenameNoReplace(const std::string& from, const std::string& to);
    // Renames, replacing a file of the new name in the same step.
    virtual void Rename(const std::string& from, const std::string& to);
    virtual void FlushFolder(const std::string& folder);
    // Swaps two names in one step; false, changing nothing, where the file
    // system cannot.
    virtual bool Exchange(const std::string& first, const std::string& second);
    // Puts `replacement` in the place of `replaced`, which takes the name
    // `backup`, in the system's one call for it (ReplaceFileW), keeping the
    // replaced file's access list. False, changing nothing, where the system
    // has no such call; when it fails, the configuration is under its name
    // or the error says where.
    virtual bool ReplaceKeepingBackup(const std::string& replaced, const std::string& replacement,
                                      const std::string& backup);
    // Opens an existing file to write its bytes afresh from the start, keeping
    // the file itself (a mount point cannot be replaced).
    virtual FileDescriptor OpenForOverwrite(const std::string& path);
    // Sets aside room for `length` bytes of the open file without changing
    // it, so that a full disk shows before a byte is overwritten. A file
    // system that cannot is left to show it while writing.
    virtual void Reserve(const FileDescriptor& file, size_t length, const std::string& path);
    // Cuts the overwritten file to `length` bytes, flushes it and closes it.
    // The descriptor is gone even when this fails.
    virtual void FinishOverwrite(FileDescriptor file, size_t length, const std::string& path);
    // Takes the kernel's lock of the open file, shared to read or exclusive to write, without
    // waiting: false when another open file holds it against this one.
    virtual bool TryLock(const FileDescriptor& file, Access access, const std::string& path);

protected:
    // The kernel's rename that refuses to replace; false with errno set when
    // it fails. EINVAL means the file system does not offer it.
    virtual bool KernelRenameNoReplace(const std::string& from, const std::string& to);
    // The kernel's swap of two names, likewise.
    virtual bool KernelExchange(const std::string& first, const std::string& second);
};

// The file system as it is.
FileSystem& RealFileSystem();

// A file a save made, deleted again if the save fails before it calls
// Keep(): a failed step leaves nothing it created behind.
class MadeFile {
public:
    MadeFile(FileSystem& fileSystem, std::string path)
        : fileSystem_(fileSystem), path_(std::move(path)) {}
    MadeFile(const MadeFile&) = delete;
    MadeFile& operator=(const MadeFile&) = delete;
    ~MadeFile();

    // The file is in use now, or gone under its name.
    void Keep() { path_.clear(); }

private:
    FileSystem& fileSystem_;
    std::string path_;
};

} // namespace gameini

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gameini {

// The file operations that change files on disk when the configuration is
// rewritten and replaced. Each throws FileError naming the file on failure;
// tests derive from it to make any one of them fail.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Creates the file afresh for writing and returns its descriptor. A file
    // or symbolic link of that name is removed first, so a link is never
    // followed.
    virtual int CreateFresh(const std::string& path);
    // Writes all of `bytes` to the open file.
    virtual void Write(int fd, std::string_view bytes, const std::string& path);
    virtual void Close(int fd, const std::string& path);
    // Gives a file just written the owner, group and permission bits of
    // `like` (the owner and group as far as the system allows), then flushes
    // its data to disk.
    virtual void FlushNewFile(const std::string& path, const std::string& like);
    virtual void Remove(const std::string& path);
    // Renames, failing when a file of exactly the new name exists.
    virtual void RenameNoReplace(const std::string& from, const std::string& to);
    virtual void FlushFolder(const std::string& folder);
    // Swaps the contents of two names in one step where the file system can;
    // elsewhere through a free third name, so that neither is ever missing
    // for longer than one rename.
    virtual void Exchange(const std::string& first, const std::string& second);
    // Opens an existing file to write its bytes afresh from the start, keeping
    // the file itself (a mount point cannot be replaced).
    virtual int OpenForOverwrite(const std::string& path);
    // Cuts the overwritten file to `length` bytes, flushes it and closes it.
    virtual void FinishOverwrite(int fd, size_t length, const std::string& path);

protected:
    // The kernel's rename that refuses to replace; false with errno set when
    // it fails. EINVAL means the file system does not offer it.
    virtual bool KernelRenameNoReplace(const std::string& from, const std::string& to);
    // The kernel's swap of two names, likewise.
    virtual bool KernelExchange(const std::string& first, const std::string& second);
};

// The file system as it is.
FileSystem& RealFileSystem();

} // namespace gameini

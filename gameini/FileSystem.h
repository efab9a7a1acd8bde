#pragma once

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
    // Flushes the work file's data to disk and gives it the permission bits of
    // the configuration it is about to replace.
    virtual void FlushWorkFile(const std::string& work, const std::string& config);
    virtual void Remove(const std::string& path);
    // Renames, failing when a file of exactly the new name exists.
    virtual void RenameNoReplace(const std::string& from, const std::string& to);
    virtual void FlushFolder(const std::string& folder);
    // Swaps the contents of two names in one step where the file system can;
    // elsewhere through a free third name, so that neither is ever missing
    // for longer than one rename.
    virtual void Exchange(const std::string& first, const std::string& second);

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

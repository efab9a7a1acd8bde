#pragma once

#include <dirent.h>
#include <string>

namespace gameini {

// What a folder's entry is, a link judged by what it leads to.
enum class EntryKind { File, Folder, Other };

// An open folder, read name by name, and closed when it goes out of scope.
class Directory {
public:
    explicit Directory(std::string path) : path_(std::move(path)), dir_(opendir(path_.c_str())) {}
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;
    ~Directory() {
        if (dir_)
            closedir(dir_);
    }

    // False when the folder could not be opened; errno says why.
    bool IsOpen() const { return dir_ != nullptr; }
    // The next entry, "." and ".." left out; nothing after the last. The
    // entry stays valid until the next call.
    const dirent* Next();
    // What the entry is; a link that leads nowhere is Other.
    EntryKind KindOf(const dirent& entry) const;

private:
    std::string path_;
    DIR* dir_;
};

} // namespace gameini

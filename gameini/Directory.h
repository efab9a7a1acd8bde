#pragma once

#include <dirent.h>
#include <string>

namespace gameini {

// An open folder, read name by name, and closed when it goes out of scope.
class Directory {
public:
    explicit Directory(const std::string& path) : dir_(opendir(path.c_str())) {}
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;
    ~Directory() {
        if (dir_)
            closedir(dir_);
    }

    // False when the folder could not be opened; errno says why.
    bool IsOpen() const { return dir_ != nullptr; }
    // The next entry, "." and ".." included; nothing after the last. The
    // entry stays valid until the next call.
    const dirent* Next() { return dir_ ? readdir(dir_) : nullptr; }

private:
    DIR* dir_;
};

} // namespace gameini

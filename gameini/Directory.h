#pragma once

#include <memory>
#include <string>

namespace gameini {

// What a folder's entry is, a link judged by what it leads to.
enum class EntryKind { File, Folder, Other };

// An open folder, read name by name, and closed when it goes out of scope.
class Directory {
public:
    explicit Directory(std::string path);
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;
    ~Directory();

    // False when the folder could not be opened; errno says why.
    bool IsOpen() const { return listing_ != nullptr; }
    // The name of the next entry, "." and ".." left out; nullptr after the
    // last. The name stays valid until the next call.
    const char* Next();
    // What the entry Next named last is; a link that leads nowhere is Other.
    EntryKind KindOfLast() const;

private:
    std::string path_;
    struct Listing; // the system's own handle on the folder
    std::unique_ptr<Listing> listing_;
};

} // namespace gameini

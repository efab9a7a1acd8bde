#pragma once

#include "gameini/FileSystem.h"

#include <chrono>
#include <memory>
#include <string>

namespace gameini {

// A folder shared with other runs (a redirect folder), made when missing and
// held against another run into it while this lives. Throws FileError when
// the folder cannot be made or opened, and BusyError when another run holds
// it longer than `wait`.
class FolderHold {
public:
    FolderHold(const std::string& folder, std::chrono::milliseconds wait,
               FileSystem& fileSystem = RealFileSystem());
    FolderHold(const FolderHold&) = delete;
    FolderHold& operator=(const FolderHold&) = delete;
    ~FolderHold();

private:
    struct Held; // each system's own
    std::unique_ptr<Held> held_;
};

} // namespace gameini

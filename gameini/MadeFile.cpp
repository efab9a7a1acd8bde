#include "gameini/Error.h"
#include "gameini/FileSystem.h"

namespace gameini {

FileSystem& RealFileSystem() {
    static FileSystem real;
    return real;
}

MadeFile::~MadeFile() {
    if (path_.empty())
        return;
    try {
        fileSystem_.Remove(path_);
    } catch (const FileError&) {
        // What stopped the save is the error to report.
    }
}

} // namespace gameini

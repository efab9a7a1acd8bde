#include "FaultyFileSystem.h"

#include "Error.h"

#include <unistd.h>

void FaultyFileSystem::Step(const std::string& step, const std::string& action) {
    if (steps_.erase(step) == 1) // once
        gameini::ThrowSystemError(error_, action);
}

void FaultyFileSystem::Write(int fd, std::string_view bytes, const std::string& path) {
    Step("write", "Cannot write " + path);
    FileSystem::Write(fd, bytes, path);
}

void FaultyFileSystem::Close(int fd, const std::string& path) {
    if (steps_.contains("close"))
        close(fd); // the descriptor is gone even when close reports an error
    Step("close", "Cannot write " + path);
    FileSystem::Close(fd, path);
}

void FaultyFileSystem::FlushWorkFile(const std::string& work, const std::string& config) {
    Step("flush work file", "Cannot flush " + work + " to disk");
    FileSystem::FlushWorkFile(work, config);
}

void FaultyFileSystem::Remove(const std::string& path) {
    Step("remove backup", "Cannot delete " + path);
    FileSystem::Remove(path);
}

void FaultyFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
    ++renames_;
    Step(renames_ == 1   ? "rename configuration"
         : renames_ == 2 ? "rename work file"
                         : "roll back",
         "Cannot rename " + from + " to " + to);
    FileSystem::RenameNoReplace(from, to);
}

void FaultyFileSystem::FlushFolder(const std::string& folder) {
    Step("flush folder", "Cannot flush the folder " + folder + " to disk");
    FileSystem::FlushFolder(folder);
}

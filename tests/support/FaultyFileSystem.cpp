#include "FaultyFileSystem.h"

#include "Error.h"

#include <unistd.h>

void FaultyFileSystem::Step(const std::string& step, const std::string& action) {
    const auto fault = faults_.find(step);
    if (fault == faults_.end())
        return;
    const int error = fault->second;
    faults_.erase(fault); // once
    gameini::ThrowSystemError(error, action);
}

void FaultyFileSystem::Write(int fd, std::string_view bytes, const std::string& path) {
    Step("write", "Cannot write " + path);
    FileSystem::Write(fd, bytes, path);
}

void FaultyFileSystem::Close(int fd, const std::string& path) {
    if (faults_.contains("close"))
        close(fd); // the descriptor is gone even when close reports an error
    Step("close", "Cannot write " + path);
    FileSystem::Close(fd, path);
}

void FaultyFileSystem::FlushNewFile(const std::string& path, const std::string& like) {
    Step("flush new file", "Cannot flush " + path + " to disk");
    FileSystem::FlushNewFile(path, like);
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

int FaultyFileSystem::OpenForOverwrite(const std::string& path) {
    Step("open for overwrite", "Cannot open " + path + " for writing");
    return FileSystem::OpenForOverwrite(path);
}

void FaultyFileSystem::FinishOverwrite(int fd, size_t length, const std::string& path) {
    if (faults_.contains("finish overwrite"))
        close(fd);
    Step("finish overwrite", "Cannot write " + path);
    FileSystem::FinishOverwrite(fd, length, path);
}

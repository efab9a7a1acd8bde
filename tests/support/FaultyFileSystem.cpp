#include "FaultyFileSystem.h"

#include "gameini/Error.h"

#include <cerrno>
#include <unistd.h>

int FaultyFileSystem::Due(const std::string& step) {
    const int call = ++calls_[step];
    for (const std::string& key : {step + "#" + std::to_string(call), call == 1 ? step : ""}) {
        const auto fault = faults_.find(key);
        if (fault != faults_.end()) {
            const int error = fault->second;
            faults_.erase(fault); // once
            return error;
        }
    }
    return 0;
}

void FaultyFileSystem::Step(const std::string& step, const std::string& action) {
    if (const int error = Due(step))
        gameini::ThrowSystemError(error, action);
}

void FaultyFileSystem::Write(const gameini::FileDescriptor& file, std::string_view bytes,
                             const std::string& path) {
    Step("write", "Cannot write " + path);
    FileSystem::Write(file, bytes, path);
}

void FaultyFileSystem::Close(gameini::FileDescriptor file, const std::string& path) {
    if (const int error = Due("close")) // the descriptor is gone even then
        gameini::ThrowSystemError(error, "Cannot write " + path);
    FileSystem::Close(std::move(file), path);
}

void FaultyFileSystem::FlushNewFile(const std::string& path, const std::string& like) {
    Step("flush new file", "Cannot flush " + path + " to disk");
    FileSystem::FlushNewFile(path, like);
}

void FaultyFileSystem::Remove(const std::string& path) {
    Step("remove", "Cannot delete " + path);
    FileSystem::Remove(path);
}

void FaultyFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
    Step("rename no replace", "Cannot rename " + from + " to " + to);
    FileSystem::RenameNoReplace(from, to);
}

void FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
    Step("rename", "Cannot rename " + from + " to " + to);
    FileSystem::Rename(from, to);
}

bool FaultyFileSystem::KernelExchange(const std::string& first, const std::string& second) {
    if (const int error = Due("exchange")) {
        errno = error;
        return false;
    }
    return FileSystem::KernelExchange(first, second);
}

bool FaultyFileSystem::ReplaceKeepingBackup(const std::string& replaced,
                                            const std::string& replacement,
                                            const std::string& backup) {
    Step("replace",
         "Cannot put " + replacement + " in place of " + replaced + ", moving that to " + backup);
    return FileSystem::ReplaceKeepingBackup(replaced, replacement, backup);
}

void FaultyFileSystem::FlushFolder(const std::string& folder) {
    Step("flush folder", "Cannot flush the folder " + folder + " to disk");
    FileSystem::FlushFolder(folder);
}

gameini::FileDescriptor FaultyFileSystem::OpenForOverwrite(const std::string& path) {
    Step("open for overwrite", "Cannot open " + path + " for writing");
    return FileSystem::OpenForOverwrite(path);
}

void FaultyFileSystem::Reserve(const gameini::FileDescriptor& file, size_t length,
                               const std::string& path) {
    Step("reserve", "Cannot make room for " + path);
    FileSystem::Reserve(file, length, path);
}

void FaultyFileSystem::FinishOverwrite(gameini::FileDescriptor file, size_t length,
                                       const std::string& path) {
    if (const int error = Due("finish overwrite")) // the descriptor is gone even then
        gameini::ThrowSystemError(error, "Cannot write " + path);
    FileSystem::FinishOverwrite(std::move(file), length, path);
}

bool FaultyFileSystem::TryLock(const gameini::FileDescriptor& file, gameini::Access access,
                               const std::string& path) {
    Step("lock", "Cannot lock " + path);
    return FileSystem::TryLock(file, access, path);
}

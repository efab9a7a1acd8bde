#pragma once

#include "gameini/FileSystem.h"

#include <map>
#include <set>
#include <string>

// A file system whose named steps fail once each with the given error number,
// as the real one would report it. A step fails at its first call, or as
// "STEP#N" at its Nth. Steps: "write", "close", "flush new file", "remove",
// "rename" (replacing), "rename no replace", "replace" (Windows'
// ReplaceFileW), "exchange" (EINVAL: the file system cannot swap), "flush folder", "open for
// overwrite", "reserve", "finish overwrite", "lock".
class FaultyFileSystem : public gameini::FileSystem {
public:
    // Each step fails with its own error number.
    explicit FaultyFileSystem(std::map<std::string, int> faults) : faults_(std::move(faults)) {}
    FaultyFileSystem(const std::set<std::string>& steps, int error) {
        for (const std::string& step : steps)
            faults_[step] = error;
    }
    FaultyFileSystem(const std::string& step, int error) : faults_{{step, error}} {}

    void Write(const gameini::FileDescriptor& file, std::string_view bytes,
               const std::string& path) override;
    void Close(gameini::FileDescriptor file, const std::string& path) override;
    void FlushNewFile(const std::string& path, const std::string& like) override;
    void Remove(const std::string& path) override;
    void RenameNoReplace(const std::string& from, const std::string& to) override;
    void Rename(const std::string& from, const std::string& to) override;
    bool ReplaceKeepingBackup(const std::string& replaced, const std::string& replacement,
                              const std::string& backup) override;
    void FlushFolder(const std::string& folder) override;
    gameini::FileDescriptor OpenForOverwrite(const std::string& path) override;
    void Reserve(const gameini::FileDescriptor& file, size_t length,
                 const std::string& path) override;
    void FinishOverwrite(gameini::FileDescriptor file, size_t length,
                         const std::string& path) override;
    bool TryLock(const gameini::FileDescriptor& file, gameini::Access access,
                 const std::string& path) override;

protected:
    bool KernelExchange(const std::string& first, const std::string& second) override;

private:
    // The error number when `step` is due, else 0.
    int Due(const std::string& step);
    // Fails with "<action>: <description of the error>" when `step` is due.
    void Step(const std::string& step, const std::string& action);

    std::map<std::string, int> faults_;
    std::map<std::string, int> calls_;
};

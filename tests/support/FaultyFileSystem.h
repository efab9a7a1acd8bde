#pragma once

#include "FileSystem.h"

#include <map>
#include <set>
#include <string>

// A file system whose named steps fail once each with the given error number,
// as the real one would report it. Steps: "write", "close", "flush new file",
// "remove backup", "rename configuration", "rename work file", "roll back",
// "flush folder", "open for overwrite", "finish overwrite".
class FaultyFileSystem : public gameini::FileSystem {
public:
    // Each step fails with its own error number.
    explicit FaultyFileSystem(std::map<std::string, int> faults) : faults_(std::move(faults)) {}
    FaultyFileSystem(const std::set<std::string>& steps, int error) {
        for (const std::string& step : steps)
            faults_[step] = error;
    }
    FaultyFileSystem(const std::string& step, int error) : faults_{{step, error}} {}

    void Write(int fd, std::string_view bytes, const std::string& path) override;
    void Close(int fd, const std::string& path) override;
    void FlushNewFile(const std::string& path, const std::string& like) override;
    void Remove(const std::string& path) override;
    void RenameNoReplace(const std::string& from, const std::string& to) override;
    void FlushFolder(const std::string& folder) override;
    int OpenForOverwrite(const std::string& path) override;
    void FinishOverwrite(int fd, size_t length, const std::string& path) override;

private:
    // Fails with "<action>: <description of the error>" when `step` is due.
    void Step(const std::string& step, const std::string& action);

    std::map<std::string, int> faults_;
    int renames_ = 0;
};

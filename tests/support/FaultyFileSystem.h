#pragma once

#include "FileSystem.h"

#include <set>
#include <string>

// A file system whose named steps fail once each with the given error number,
// as the real one would report it. Steps: "write", "close", "flush work file",
// "remove backup", "rename configuration", "rename work file", "roll back",
// "flush folder".
class FaultyFileSystem : public gameini::FileSystem {
public:
    FaultyFileSystem(std::set<std::string> steps, int error)
        : steps_(std::move(steps)), error_(error) {}
    FaultyFileSystem(const std::string& step, int error)
        : FaultyFileSystem(std::set<std::string>{step}, error) {}

    void Write(int fd, std::string_view bytes, const std::string& path) override;
    void Close(int fd, const std::string& path) override;
    void FlushWorkFile(const std::string& work, const std::string& config) override;
    void Remove(const std::string& path) override;
    void RenameNoReplace(const std::string& from, const std::string& to) override;
    void FlushFolder(const std::string& folder) override;

private:
    // Fails with "<action>: <description of the error>" when `step` is due.
    void Step(const std::string& step, const std::string& action);

    std::set<std::string> steps_;
    int error_;
    int renames_ = 0;
};

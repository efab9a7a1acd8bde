#pragma once

#include "FileSystem.h"

#include <string>

// A file system whose named step fails once with the given error number, as
// the real one would report it. Steps: "write", "close", "flush work file",
// "remove backup", "rename configuration", "rename work file", "flush folder".
class FaultyFileSystem : public gameini::FileSystem {
public:
    FaultyFileSystem(std::string step, int error) : step_(std::move(step)), error_(error) {}

    void Write(int fd, std::string_view bytes, const std::string& path) override;
    void Close(int fd, const std::string& path) override;
    void FlushWorkFile(const std::string& work, const std::string& config) override;
    void Remove(const std::string& path) override;
    void RenameNoReplace(const std::string& from, const std::string& to) override;
    void FlushFolder(const std::string& folder) override;

private:
    // Fails with "<action>: <description of the error>" when `step` is due.
    void Step(const std::string& step, const std::string& action);

    std::string step_;
    int error_;
    int renames_ = 0;
};

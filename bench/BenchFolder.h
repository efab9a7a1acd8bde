#pragma once

#include <string>

// A System folder for benchmarks: `packages` empty package files and a
// configuration naming every one of them. Removed when the object goes.
class BenchFolder {
public:
    explicit BenchFolder(int packages);
    ~BenchFolder();
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

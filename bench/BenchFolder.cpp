#include "BenchFolder.h"

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>

BenchFolder::BenchFolder(int packages) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sarvelin-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    std::ofstream config(path_ + "/postal2.ini", std::ios::binary);
    config << "[Core.System]\r\nPaths=..\\System\\*.u\r\n[Engine.GameEngine]\r\n";
    for (int i = 0; i < packages; ++i) {
        std::string name = "Package" + std::to_string(i);
        std::ofstream(path_ + "/" + name + ".u");
        config << "ServerPackages=" << name << "\r\n";
    }
    config << "[Editor.EditorEngine]\r\nEditPackages=Core\r\n";
    // A game's System folder has not changed for a while.
    const timespec lastWeek[2] = {{time(nullptr) - 7 * 86400, 0}, {time(nullptr) - 7 * 86400, 0}};
    utimensat(AT_FDCWD, path_.c_str(), lastWeek, 0);
}

BenchFolder::~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

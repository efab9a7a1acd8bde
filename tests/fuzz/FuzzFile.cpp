#include "FuzzFile.h"

#include "gameini/SequentialFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "sarvelin-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        return pattern;
    }();
    return folder;
}

void Store(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}

std::string Load(const std::string& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

ReadBack ReadAllLines(const std::string& path) {
    gameini::SequentialFile file = gameini::SequentialFile::OpenInput(path);
    ReadBack result{{}, file.Format().encoding != gameini::Encoding::Windows1252};
    while (!file.AtEnd()) {
        std::string line(file.ReadLine());
        result.lines.emplace_back(line, file.LastLineEnd());
    }
    file.Close();
    return result;
}

void Check(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

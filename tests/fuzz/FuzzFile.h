#pragma once

#include "gameini/SequentialFile.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A scratch folder for one fuzzing process, and helpers to put bytes in files
// and read them back.
const std::string& ScratchFolder();
void Store(const std::string& path, std::string_view bytes);
std::string Load(const std::string& path);

// The lines of a file as the reader gives them, each with its line end, and
// whether it is UTF-16.
struct ReadBack {
    std::vector<std::pair<std::string, gameini::LineEnd>> lines;
    bool utf16;
};
ReadBack ReadAllLines(const std::string& path);

// Stops the fuzzer with a message when a property does not hold.
void Check(bool holds, const char* property);

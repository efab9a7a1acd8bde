#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A scratch folder for one fuzzing process, and helpers to put bytes in files
// and read them back.
const std::string& ScratchFolder();
void Store(const std::string& path, std::string_view bytes);
std::string Load(const std::string& path);

// The lines of a file as the reader gives them, and its format.
struct ReadBack {
    std::vector<std::string> lines;
    bool lineFeedsOnly;
    bool utf16;
};
ReadBack ReadAllLines(const std::string& path);

// Stops the fuzzer with a message when a property does not hold.
void Check(bool holds, const char* property);

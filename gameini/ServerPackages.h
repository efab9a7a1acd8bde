#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gameini {

// A package a ServerPackages= line of [Engine.GameEngine] names: the value as
// the file writes it, and the line's number, counting from 1.
struct ConfiguredPackage {
    std::string name;
    int line = 0;
    bool operator==(const ConfiguredPackage&) const = default;
};

// A Paths= line of [Core.System]: its entry, as written, and its number.
struct SearchPathLine {
    std::string entry;
    int line;
};

// Reads the configuration and returns its configured packages in file order,
// duplicates kept. Tells through `sectionFound` whether it has the section,
// and through `searchPaths` the Paths= entries of [Core.System], each once.
// Throws FileError naming the file when it cannot be read, and
// ConfigurationError for a UTF-16 file of an odd length.
std::vector<ConfiguredPackage> ReadServerPackages(std::string_view path,
                                                  bool* sectionFound = nullptr,
                                                  std::vector<std::string>* searchPaths = nullptr);

// The names of the configured packages, in file order, as written.
std::vector<std::string> NamesOf(std::vector<ConfiguredPackage> packages);

} // namespace gameini

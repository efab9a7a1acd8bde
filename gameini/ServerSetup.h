#pragma once

#include "gameini/SequentialFile.h"
#include "gameini/ServerPackages.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace gameini {

// What a server's configuration says beyond its package list, read in one
// pass: what check and redirect need.
struct ServerSetup {
    Encoding encoding = Encoding::Windows1252;
    std::vector<ConfiguredPackage> configured;
    bool sectionFound = false;
    bool markHidesHeader = false;                // a UTF-8 mark in front of the first header
    std::vector<std::string> searchPaths;        // Paths= values, each once
    std::vector<SearchPathLine> searchPathLines; // every Paths= line, in file order
    std::vector<std::pair<int, std::string>> unreadPackageLines; // by line number
    std::vector<std::pair<int, std::string>> serverActors;       // ServerActors= values
    std::unordered_map<std::string, std::string> remap; // [PackageRemap], by lower-cased name

    // The package the game loads for `name`, after [PackageRemap].
    std::string Remapped(const std::string& name) const;

    // The value of KEY in [SECTION], both in any letter case, as the first
    // line that sets it writes it: Setting("[URL]", "MapExt").
    std::optional<std::string> Setting(std::string_view section, std::string_view key) const;
    std::unordered_map<std::string, std::string> settings; // "[url]\nmapext" -> value
};

// Reads the configuration at `path`. Throws FileError naming the file when it
// cannot be read, and ConfigurationError for a UTF-16 file of an odd length.
ServerSetup ReadServerSetup(const std::string& path);

} // namespace gameini

#pragma once

#include "gameini/LineRules.h"
#include "gameini/SearchPathList.h"
#include "gameini/SequentialFile.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
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

// A line as the file writes it, and its number, counting from 1.
struct NumberedLine {
    std::string text;
    int line = 0;
};

// What a configuration holds that the programs act on. Every reader fills it
// through ContentsBuilder; how much a reader asks for decides what is filled.
struct ConfigurationContents {
    std::string path; // the configuration, as found
    Encoding encoding = Encoding::Windows1252;
    bool sectionFound = false;
    bool markHidesHeader = false;              // a UTF-8 mark in front of the first header
    std::vector<ConfiguredPackage> configured; // in file order
    // The lines of the section that look like package lines but that the
    // game does not read ("ServerPackages =Foo"), whole, in file order.
    std::vector<NumberedLine> unread;
    std::vector<std::string> searchPaths;        // the Paths= entries of [Core.System], each once
    std::vector<SearchPathLine> searchPathLines; // every Paths= line, in file order
    std::vector<NumberedLine> serverActors;      // ServerActors= values
    std::unordered_map<std::string, std::string> remap;    // [PackageRemap], by lower-cased name
    std::unordered_map<std::string, std::string> settings; // "[url]\nmapext" -> value

    // The package the game loads for `name`, after [PackageRemap].
    std::string Remapped(const std::string& name) const;
    // The value of KEY in [SECTION], both in any letter case, as the first
    // line that sets it writes it: Setting("[URL]", "MapExt").
    std::optional<std::string> Setting(std::string_view section, std::string_view key) const;
};

// Takes each line a SectionScanner has classified into the contents: the
// one place a line's value is cut out.
class ContentsBuilder {
public:
    explicit ContentsBuilder(ConfigurationContents& contents) : contents_(contents) {}
    void Add(const SectionScanner& scanner, SectionScanner::Line kind, std::string_view text,
             int number);
    // Sets what is known only once every line is in.
    void Finish();

private:
    ConfigurationContents& contents_;
    SearchPathList searchPaths_;
};

// How much of a configuration a reader needs. Less lets the reader skip
// nearly every line of a large file.
enum class ReadDepth {
    PackageLines,   // the section and its package lines
    AndSearchPaths, // and the Paths= lines of [Core.System]
    Everything,     // and server actors, remaps and every other section's settings
};

// Reads the configuration at `path`. Throws FileError naming the file when it
// cannot be read, and ConfigurationError for a UTF-16 file of an odd length.
ConfigurationContents ReadConfiguration(std::string_view path,
                                        ReadDepth depth = ReadDepth::PackageLines);

// The names of the configured packages, in file order, as written.
std::vector<std::string> NamesOf(std::vector<ConfiguredPackage> packages);

} // namespace gameini

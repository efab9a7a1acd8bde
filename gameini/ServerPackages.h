#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gameini {

// The rules by which a configuration line is recognised; the reader and the
// rewriter share them. Nothing is trimmed: blanks are part of the line.
bool IsGameEngineHeader(std::string_view line);
bool IsSectionHeader(std::string_view line);
bool IsServerPackagesLine(std::string_view line);

// Reads the configuration and returns, in file order and with duplicates, the
// package file name each ServerPackages= line of [Engine.GameEngine] names:
// the value lower-cased, followed by ".u".
std::vector<std::string> ReadServerPackages(std::string_view path);

} // namespace gameini

#pragma once

#include "gameini/PackageFile.h"

#include <nlohmann/json.hpp>
#include <string>

namespace cli {

// A text, or null where there is none.
nlohmann::ordered_json TextOrNull(const std::string& text);

// Prints JSON, indented; bytes that are not UTF-8 (a Windows-1252 name)
// show as replacement characters.
void PrintJson(std::ostream& out, const nlohmann::ordered_json& json);

// What a package file says of itself: version, licensee, flags (by name),
// GUID, generations and imports; or, for a damaged file, why.
nlohmann::ordered_json PackageJson(const gameini::PackageRead& read);

} // namespace cli

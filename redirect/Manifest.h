#pragma once

#include "redirect/DownloadSet.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace redirect {

// The file in a redirect folder that remembers what each .uz2 was made from.
constexpr const char* kManifestName = ".sarvelin-redirect.json";

// What the manifest remembers of one .uz2: the package it was made from,
// as it was then, and the .uz2's own size (none when it was oversize).
struct Made {
    std::string source, guid;
    uint64_t size = 0;
    int64_t changedSeconds = 0, changedNanoseconds = 0;
    uint64_t uz2Size = 0;
    bool oversize = false;
    bool operator==(const Made&) const = default;
};

// The package as it is now, with no .uz2 yet.
Made MadeFrom(const Download& download, const struct stat& info);

// The folder's manifest, by .uz2 name; empty when there is none, and without
// the entries that cannot be read (their packages are made again).
std::map<std::string, Made> ReadManifest(const std::string& path);
std::string ManifestText(const std::map<std::string, Made>& manifest);

// The .uz2 file in the folder as it is now: a regular file of some size,
// or nothing.
std::optional<uint64_t> Uz2SizeOf(const std::string& uz2Path);

// Whether the .uz2 is as the manifest left it, made from the package as it
// is now: there with the size written, or, for an oversize package, not
// there.
bool UpToDate(const Made& before, const Made& now, std::optional<uint64_t> uz2Size);

} // namespace redirect

#pragma once

#include "gameini/PackageFile.h"

#include <map>
#include <string>

namespace locate {

// Package files read once each: a check follows the same stock packages from
// every mod that imports them.
class PackageReadCache {
public:
    // The file's facts or damage.
    const gameini::PackageRead& Read(const std::string& path);

private:
    std::map<std::string, gameini::PackageRead> read_;
};

} // namespace locate

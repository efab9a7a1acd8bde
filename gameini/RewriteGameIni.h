#pragma once

#include "FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

namespace gameini {

// Copies the configuration at `source` into `target` line by line, replacing
// the ServerPackages= lines of each [Engine.GameEngine] section with one line
// per package file name, written right after the section header. The target is
// written in the source's encoding and line ends. The source is never written.
void RewriteGameIni(std::string_view source, std::string_view target,
                    const std::vector<std::string>& names,
                    FileSystem& fileSystem = RealFileSystem());

} // namespace gameini

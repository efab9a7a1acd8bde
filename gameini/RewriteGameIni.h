#pragma once

#include "FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

namespace gameini {

// Copies the configuration at `source` into `target` line by line, replacing
// the ServerPackages= lines of each [Engine.GameEngine] section with one line
// per package name, written right after the section header. Every other line
// keeps its bytes and its own line end; the header and the package lines take
// the header's. The target is written in the source's encoding. A name the
// encoding cannot store, or that holds a line break, is refused before the
// target is created. The source is never written.
void RewriteGameIni(std::string_view source, std::string_view target,
                    const std::vector<std::string>& packages,
                    FileSystem& fileSystem = RealFileSystem());

// The same rewrite, returning the bytes it would write.
std::string RewrittenGameIni(std::string_view source, const std::vector<std::string>& packages);

} // namespace gameini

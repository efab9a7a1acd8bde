#pragma once

#include "FileSystem.h"
#include "ServerPackages.h"

#include <functional>
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

// Chooses the package list from the packages the file configures and whether
// it has the section at all.
using ChoosePackages = std::function<std::vector<std::string>(
    const std::vector<ConfiguredPackage>& configured, bool sectionFound)>;

// The same rewrite, reading the file once and returning the bytes it would
// write, with the package list chosen from what the file configures: for
// showing or comparing a result before anything is written.
std::string RewrittenGameIni(std::string_view source, const ChoosePackages& choose);

} // namespace gameini

#pragma once

#include "RewriteGameIni.h"

#include <string>
#include <vector>

// The window's Save: `names` right after each header, every old package line
// gone.
inline gameini::EditPackages WindowEdit(std::vector<std::string> names) {
    return [names](const gameini::ConfigurationContents&) {
        return gameini::PackageLineEdit{gameini::Placement::AfterEachHeader, {}, names};
    };
}

// The command line's add: `names` after the last package line, every line kept.
inline gameini::EditPackages AddEdit(std::vector<std::string> names) {
    return [names](const gameini::ConfigurationContents& contents) {
        return gameini::PackageLineEdit{gameini::Placement::AfterLastPackageLine,
                                        std::vector<bool>(contents.configured.size(), true), names};
    };
}

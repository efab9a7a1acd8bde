#pragma once

#include "ConfigurationFiles.h"
#include "ServerPackages.h"

#include <string>
#include <vector>

// The package names given on the command line, as the configuration writes
// them: "Engine.u" and "Engine" both give "Engine". Throws UsageError for a
// name that is empty, holds CR, LF or "=", or that the configuration's code
// page cannot store.
std::vector<std::string> PackageNamesFrom(const std::vector<std::string>& given,
                                          const gameini::ConfigurationFiles& files);

// The names of the configured packages, in file order, as written.
std::vector<std::string> NamesOf(const std::vector<gameini::ConfiguredPackage>& packages);

// Reads the configured packages; throws FileError when the file has no
// [Engine.GameEngine] section to put packages in.
std::vector<gameini::ConfiguredPackage>
ReadPackagesToChange(const gameini::ConfigurationFiles& files);

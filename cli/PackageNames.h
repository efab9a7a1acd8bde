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
std::vector<std::string> NamesOf(std::vector<gameini::ConfiguredPackage> packages);

// Throws FileError, naming the file, when it has no [Engine.GameEngine]
// section to put packages in.
void RequireSection(const gameini::ConfigurationFiles& files, bool sectionFound);

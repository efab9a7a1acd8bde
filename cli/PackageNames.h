#pragma once

#include "ConfigurationFiles.h"
#include "SequentialFile.h"
#include "ServerPackages.h"

#include <string>
#include <vector>

// The package names given on the command line, as the configuration writes
// them: "Engine.u" and "Engine" both give "Engine". Throws UsageError for a
// name that is empty or holds "=".
std::vector<std::string> PackageNamesFrom(const std::vector<std::string>& given);

// Throws UsageError for a name that holds a line break or that a file in
// `encoding` cannot store.
void RefuseUnstorable(const std::vector<std::string>& names, gameini::Encoding encoding);

// The names of the configured packages, in file order, as written.
std::vector<std::string> NamesOf(std::vector<gameini::ConfiguredPackage> packages);

// Throws FileError, naming the file, when it has no [Engine.GameEngine]
// section to put packages in.
void RequireSection(const gameini::ConfigurationFiles& files, bool sectionFound);

#pragma once

#include "cli/Context.h"
#include "gameini/RewriteGameIni.h"
#include "gameini/SequentialFile.h"
#include "gameini/ServerPackages.h"

#include <string>
#include <vector>

namespace cli {

// The package names given on the command line, as the configuration writes
// them: "Engine.u", "Engine.U" and "Engine" all give "Engine", as
// "BaseDialog.uax" gives "BaseDialog".
std::vector<std::string> PackageNamesFrom(const std::vector<std::string>& given);

// Throws UsageError, naming it as given, for a name that is empty, holds "="
// or a line break, starts or ends with a blank or tab, or that a file in
// `encoding` cannot store.
void RefuseBadNames(const std::vector<std::string>& given, gameini::Encoding encoding);

// Warns of each name that no Paths= folder of the configuration holds: a
// typing error, or a package not installed.
void WarnOfPackagesNotFound(const Context& context, const std::vector<std::string>& names,
                            const gameini::ConfigurationContents& contents);

// The names of the configured packages, in file order, as written.
std::vector<std::string> NamesOf(std::vector<gameini::ConfiguredPackage> packages);

// Throws ConfigurationError, naming the file, when it has no [Engine.GameEngine]
// section to put packages in.
void RequireSection(const gameini::ConfigurationContents& contents);

// The edit of a command that writes the names it is given (add, set) by
// `policy`: the file needs the section, each name must be one the file can
// hold, and one that no Paths= folder holds is warned of.
gameini::EditPackages WritingGivenNames(const Context& context,
                                        const std::vector<std::string>& given,
                                        gameini::EditPackages policy);

} // namespace cli

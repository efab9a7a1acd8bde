#pragma once

#include "cli/Context.h"
#include "gameini/ConfigurationContents.h"
#include "gameini/RewritePlan.h"
#include "gameini/SequentialFile.h"

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

// Saves the names a command is given (add, set) by the edit `policy` makes
// of their package names: the file needs the section, each name must be one
// the file can hold, and one that no Paths= folder holds is warned of.
void SaveGivenNames(const Context& context, const std::vector<std::string>& given,
                    gameini::EditPackages (*policy)(std::vector<std::string> names));

} // namespace cli

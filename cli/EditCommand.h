#pragma once

#include "cli/ChangeReport.h"
#include "cli/Context.h"
#include "gameini/ConfigurationLock.h"
#include "gameini/RewritePlan.h"

#include <functional>

namespace cli {

// A command's own part of a change, once the configuration is held: it
// changes it (or, for a dry run, says how it would) and reports.
using Change = std::function<ChangeReport(const gameini::LockedConfiguration& configuration)>;

// The one way the commands change a configuration (add, remove, set,
// restore, check --fix): holds it (for reading alone on a dry run), refuses
// while the game runs with it, or for the other reasons --force overrides,
// even when nothing would change, so that scripts learn of it; then does the
// change and prints what it did, as `verb` says ("saved").
void RunChange(const Context& context, const char* verb, const Change& change);

// The change that saves through the one save both programs share, by `edit`;
// a dry run or --diff keeps the bytes for the diff.
Change SavedBy(const Context& context, gameini::EditPackages edit);

} // namespace cli

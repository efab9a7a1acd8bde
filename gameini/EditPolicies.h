#pragma once

#include "gameini/ProblemKind.h"
#include "gameini/RewritePlan.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace gameini {

// The edits of the package lines the programs make, each the rule of one
// command, as a function of what the configuration holds. Callers put their
// own checks and words around them.

// The rewriter's own placement: `names`, one line each, right after every
// [Engine.GameEngine] header, and every old package line gone.
EditPackages PackagesAfterEachHeader(std::vector<std::string> names);

// A file of the window's list, and its tick when the user changed it since
// the list was loaded.
struct ListedFile {
    std::string file;
    std::optional<bool> ticked;
};

// The window's Save: the user's own changes applied to the configuration as
// it is now. A file the user ticked or unticked is configured as the user
// left it; every other listed file is configured as the file has it now, so
// a change another program saved meanwhile stays. The packages of the files
// so ticked come first, in list order, then the configured packages the list
// does not show (sounds, textures, mods found through Paths=), each once,
// placed as PackagesAfterEachHeader does. Throws ConfigurationError, naming
// the file, for a ticked file whose name would damage the configuration.
EditPackages ApplyTickChanges(std::vector<ListedFile> listed);

// add: the packages not configured yet, each once, right after the last
// package line; every line stays.
EditPackages AddPackages(std::vector<std::string> names);

// remove: every package line that means one of `names` (PackageMeantBy:
// "Engine.u" and "Engine " name Engine too), the line numbered `line`, or
// with `all`, every package line.
struct Removal {
    std::vector<std::string> names;
    int line = 0;
    bool all = false;
};
EditPackages RemovePackages(Removal removal);

// set: exactly `names`, each once, where the first package line stood.
EditPackages SetPackages(std::vector<std::string> names);

// check --fix: in file order, a blank or an extension goes, a line naming a
// package named before goes, and a line the game does not read is written so
// that it does. A name no package can have is left, and so is a line the
// game does not read that names a package named before; `leftAlone` hears of
// each, by its line and kind: BadName with the name's problem, NotRead with
// the package configured already.
EditPackages FixPackageLines(
    std::function<void(int line, ProblemKind kind, const std::string& detail)> leftAlone);

} // namespace gameini

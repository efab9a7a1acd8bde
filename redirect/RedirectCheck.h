#pragma once

#include "gameini/ProblemKind.h"
#include "redirect/DownloadSet.h"

#include <string>
#include <vector>

namespace redirect {

struct RedirectProblem {
    std::string name;     // the package
    std::string neededBy; // the configured package or map that brings it in
    gameini::ProblemKind kind;
    std::string message; // what is wrong
};

// What keeps players from getting a package from the redirect folder: a
// package sent without a .uz2; a .uz2 that does not decompress to the
// package's size and GUID; one longer than its package, which the client
// cuts off. A .uz2 the manifest says was made from the package as it is
// now, and left as written, is taken as it is without being read.
std::vector<RedirectProblem> CheckRedirectFolder(const DownloadSet& set, const std::string& folder);

} // namespace redirect

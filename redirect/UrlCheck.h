#pragma once

#include "redirect/DownloadSet.h"
#include "redirect/RedirectCheck.h"

#include <string>
#include <vector>

namespace redirect {

// What joining players get from the web server the game sends them to: for
// each package sent, `url` (RedirectToURL=) followed by its .uz2's file name,
// percent-encoded, as the client asks for it. Only the first chunk is
// fetched (a range request), over a few connections at once, each request
// bounded in time; its package bytes must be those the package file starts
// with. Kinds: url-missing (404 or 410: not there, or not in this letter
// case), url-stale (another package, or another version of it), url-damaged
// (it does not decode), url-error (refused, timed out, another status, TLS).
// The answers come from strangers: at most one chunk is kept of each.
std::vector<RedirectProblem> CheckRedirectUrl(const DownloadSet& set, const std::string& url);

} // namespace redirect

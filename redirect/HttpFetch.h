#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace redirect {

// What a web server answered to one request: its status and the start of
// its body, or why there was no answer.
struct HttpAnswer {
    std::string error; // empty when the server answered
    long status = 0;
    std::string body; // at most the bytes asked for
};

// Fetches the first `most` bytes of each URL (a range request; a server that
// sends more is cut off), http and https only, over a few connections at
// once, each request bounded in time and following up to five redirects.
// `take` gets each answer, by the URL's index, as it comes, one at a time. Throws gameini::Error
// when the system's HTTP client cannot be had.
void FetchStarts(const std::vector<std::string>& urls, size_t most,
                 const std::function<void(size_t, HttpAnswer)>& take);

} // namespace redirect

#include "redirect/UrlCheck.h"

#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"
#include "redirect/HttpFetch.h"
#include "redirect/Uz2.h"

#include <algorithm>

namespace redirect {
namespace {

// A .uz2's first chunk, header included, is never longer.
constexpr size_t kFirstChunkMost = kChunkHeader + kChunkMostCompressed;

// The name as a URL's last part: every byte but a letter, a digit and
// "-._~" as %XX, as the client asks for it.
std::string PercentEncoded(std::string_view name) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (plain || c == '-' || c == '.' || c == '_' || c == '~')
            encoded += c;
        else
            encoded.append({'%', kDigits[byte >> 4], kDigits[byte & 15]});
    }
    return encoded;
}

// The package's first `size` bytes, or nothing when it cannot be read now
// (check says why elsewhere).
std::optional<std::string> PackageStart(const std::string& file, size_t size) {
    std::optional<gameini::OpenFile> package;
    try {
        package = gameini::OpenRegularFile(file);
    } catch (const gameini::Error&) { // unreadable, or no regular file
        return std::nullopt;
    }
    std::string bytes(size, '\0');
    const gameini::ReadResult read =
        gameini::ReadFully(package->descriptor.Get(), bytes.data(), size, 0);
    if (read.error != 0)
        return std::nullopt;
    bytes.resize(read.got);
    return bytes;
}

// What is wrong with the answer, as a problem, or nothing.
std::optional<RedirectProblem> Judge(const Download& download, const std::string& url,
                                     const HttpAnswer& answer) {
    auto problem = [&](gameini::ProblemKind kind, const std::string& message) {
        return RedirectProblem{download.name, download.neededBy, kind, message};
    };
    const long status = answer.status;
    if (!answer.error.empty())
        return problem(gameini::ProblemKind::UrlError, "players cannot download " + download.name +
                                                           " from " + url + ": " + answer.error);
    if (status == 404 || status == 410)
        return problem(gameini::ProblemKind::UrlMissing,
                       "players cannot download " + download.name + " from " + url +
                           ": the web server answers " + std::to_string(status) +
                           " (is it there, in this letter case?)");
    if (status != 200 && status != 206)
        return problem(gameini::ProblemKind::UrlError,
                       "players cannot download " + download.name + " from " + url +
                           ": the web server answers " + std::to_string(status));
    const auto read = DecompressUz2(answer.body, kChunkInput, 1); // the first chunk alone
    if (const auto* damage = std::get_if<Uz2Damage>(&read))
        return problem(gameini::ProblemKind::UrlDamaged,
                       url +
                           " is not a .uz2 players can decode (its first "
                           "chunk: " +
                           damage->reason + ")");
    const std::string& inside = std::get<std::string>(read);
    const std::optional<std::string> start = PackageStart(download.file, kChunkInput);
    if (!start || inside == *start)
        return std::nullopt;
    const size_t at = static_cast<size_t>(
        std::mismatch(inside.begin(), inside.end(), start->begin(), start->end()).first -
        inside.begin());
    return problem(gameini::ProblemKind::UrlStale,
                   url + " holds another " + download.name +
                       " than the server's (they differ from byte " + std::to_string(at) +
                       "), so players get \"version mismatch\"; serve the server's "
                       "redirect folder there");
}

} // namespace

std::vector<RedirectProblem> CheckRedirectUrl(const DownloadSet& set, const std::string& url) {
    std::vector<const Download*> sent;
    std::vector<std::string> urls;
    for (const Download& download : set.packages)
        if (download.action == Action::Send) {
            sent.push_back(&download);
            urls.push_back(url + PercentEncoded(Uz2NameOf(download.file)));
        }
    std::vector<RedirectProblem> problems;
    FetchStarts(urls, kFirstChunkMost, [&](size_t i, const HttpAnswer& answer) {
        if (std::optional<RedirectProblem> problem = Judge(*sent[i], urls[i], answer))
            problems.push_back(std::move(*problem));
    });
    return problems;
}

} // namespace redirect

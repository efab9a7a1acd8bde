#include "redirect/UrlCheck.h"

#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"
#include "redirect/Uz2.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <dlfcn.h>
#include <fcntl.h>
#include <memory>

namespace redirect {
namespace {

// libcurl, loaded when a URL is checked: linked, it and the TLS and
// Kerberos libraries it brings would be loaded by every run of sarvelin-cli,
// tripling the time a plain `list` takes to start.
struct Curl {
    Curl() : library(dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL)) {
        if (!library)
            throw gameini::Error(std::string("Cannot fetch over HTTP: ") + dlerror() +
                                 " (install libcurl4)");
        Bind(global_init, "curl_global_init");
        Bind(easy_init, "curl_easy_init");
        Bind(easy_setopt, "curl_easy_setopt");
        Bind(easy_getinfo, "curl_easy_getinfo");
        Bind(easy_cleanup, "curl_easy_cleanup");
        Bind(easy_escape, "curl_easy_escape");
        Bind(easy_strerror, "curl_easy_strerror");
        Bind(free, "curl_free");
        Bind(multi_init, "curl_multi_init");
        Bind(multi_add_handle, "curl_multi_add_handle");
        Bind(multi_remove_handle, "curl_multi_remove_handle");
        Bind(multi_perform, "curl_multi_perform");
        Bind(multi_poll, "curl_multi_poll");
        Bind(multi_info_read, "curl_multi_info_read");
        Bind(multi_cleanup, "curl_multi_cleanup");
        global_init(CURL_GLOBAL_DEFAULT);
    }
    Curl(const Curl&) = delete;
    Curl& operator=(const Curl&) = delete;

    template <class Function> void Bind(Function*& function, const char* name) {
        function = reinterpret_cast<Function*>(dlsym(library, name));
        if (!function)
            throw gameini::Error(std::string("Cannot fetch over HTTP: libcurl has no ") + name);
    }

    void* library; // never closed: libcurl's own threads may outlive a call
    decltype(curl_global_init)* global_init;
    decltype(curl_easy_init)* easy_init;
    decltype(curl_easy_setopt)* easy_setopt;
    decltype(curl_easy_getinfo)* easy_getinfo;
    decltype(curl_easy_cleanup)* easy_cleanup;
    decltype(curl_easy_escape)* easy_escape;
    decltype(curl_easy_strerror)* easy_strerror;
    decltype(curl_free)* free;
    decltype(curl_multi_init)* multi_init;
    decltype(curl_multi_add_handle)* multi_add_handle;
    decltype(curl_multi_remove_handle)* multi_remove_handle;
    decltype(curl_multi_perform)* multi_perform;
    decltype(curl_multi_poll)* multi_poll;
    decltype(curl_multi_info_read)* multi_info_read;
    decltype(curl_multi_cleanup)* multi_cleanup;
};

const Curl& LoadedCurl() {
    static const Curl curl;
    return curl;
}

constexpr size_t kMostConnections = 8;
constexpr long kConnectMilliseconds = 5000, kRequestMilliseconds = 20000;
// A .uz2's first chunk, header included, is never longer.
constexpr size_t kFirstChunkMost = kChunkHeader + kChunkMostCompressed;

// One package's request, and what came back.
struct Fetch {
    Fetch(const Download& download, std::string url) : download(download), url(std::move(url)) {}

    const Download& download;
    std::string url;
    std::string body; // at most kFirstChunkMost bytes
    char error[CURL_ERROR_SIZE] = {};
    std::unique_ptr<CURL, void (*)(CURL*)> handle{
        nullptr, [](CURL* easy) { LoadedCurl().easy_cleanup(easy); }};
};

size_t TakeBody(char* data, size_t size, size_t count, void* fetchPointer) {
    Fetch& fetch = *static_cast<Fetch*>(fetchPointer);
    const size_t bytes = size * count;
    const size_t room = kFirstChunkMost - std::min(kFirstChunkMost, fetch.body.size());
    fetch.body.append(data, std::min(bytes, room));
    // A server that sends the whole file is stopped once the chunk is in.
    return bytes <= room ? bytes : 0;
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
std::optional<RedirectProblem> Judge(const Curl& curl, const Fetch& fetch, CURLcode result) {
    const Download& download = fetch.download;
    auto problem = [&](gameini::ProblemKind kind, const std::string& message) {
        return RedirectProblem{download.name, download.neededBy, kind, message};
    };
    long status = 0;
    curl.easy_getinfo(fetch.handle.get(), CURLINFO_RESPONSE_CODE, &status);
    const bool cutShort = result == CURLE_WRITE_ERROR && fetch.body.size() == kFirstChunkMost;
    if (result != CURLE_OK && !cutShort)
        return problem(gameini::ProblemKind::UrlError,
                       "players cannot download " + download.name + " from " + fetch.url + ": " +
                           (*fetch.error ? fetch.error : curl.easy_strerror(result)));
    if (status == 404 || status == 410)
        return problem(gameini::ProblemKind::UrlMissing,
                       "players cannot download " + download.name + " from " + fetch.url +
                           ": the web server answers " + std::to_string(status) +
                           " (is it there, in this letter case?)");
    if (status != 200 && status != 206)
        return problem(gameini::ProblemKind::UrlError,
                       "players cannot download " + download.name + " from " + fetch.url +
                           ": the web server answers " + std::to_string(status));
    const auto read = DecompressUz2(fetch.body, kChunkInput, 1); // the first chunk alone
    if (const auto* damage = std::get_if<Uz2Damage>(&read))
        return problem(gameini::ProblemKind::UrlDamaged,
                       fetch.url +
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
                   fetch.url + " holds another " + download.name +
                       " than the server's (they differ from byte " + std::to_string(at) +
                       "), so players get \"version mismatch\"; serve the server's "
                       "redirect folder there");
}

void Start(const Curl& curl, CURLM* multi, Fetch& fetch) {
    fetch.handle.reset(curl.easy_init());
    if (!fetch.handle)
        throw std::bad_alloc();
    CURL* handle = fetch.handle.get();
    curl.easy_setopt(handle, CURLOPT_URL, fetch.url.c_str());
    curl.easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl.easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl.easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl.easy_setopt(handle, CURLOPT_MAXREDIRS, 5L);
    curl.easy_setopt(handle, CURLOPT_RANGE, ("0-" + std::to_string(kFirstChunkMost - 1)).c_str());
    curl.easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, kConnectMilliseconds);
    curl.easy_setopt(handle, CURLOPT_TIMEOUT_MS, kRequestMilliseconds);
    curl.easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl.easy_setopt(handle, CURLOPT_USERAGENT, "sarvelin-cli");
    curl.easy_setopt(handle, CURLOPT_WRITEFUNCTION, TakeBody);
    curl.easy_setopt(handle, CURLOPT_WRITEDATA, &fetch);
    curl.easy_setopt(handle, CURLOPT_ERRORBUFFER, fetch.error);
    curl.easy_setopt(handle, CURLOPT_PRIVATE, &fetch);
    curl.multi_add_handle(multi, handle);
}

} // namespace

std::vector<RedirectProblem> CheckRedirectUrl(const DownloadSet& set, const std::string& url) {
    const Curl& curl = LoadedCurl();
    const std::unique_ptr<CURLM, decltype(curl.multi_cleanup)> multi(curl.multi_init(),
                                                                     curl.multi_cleanup);
    if (!multi)
        throw std::bad_alloc();
    std::deque<Fetch> fetches;
    for (const Download& download : set.packages) {
        if (download.action != Action::Send)
            continue;
        const std::string name = Uz2NameOf(download.file);
        char* encoded = curl.easy_escape(nullptr, name.c_str(), static_cast<int>(name.size()));
        fetches.emplace_back(download, url + (encoded ? encoded : name));
        curl.free(encoded);
    }
    std::vector<RedirectProblem> problems;
    size_t next = 0, running = 0;
    while (next < fetches.size() || running > 0) {
        for (; next < fetches.size() && running < kMostConnections; ++next, ++running)
            Start(curl, multi.get(), fetches[next]);
        int stillRunning = 0;
        curl.multi_perform(multi.get(), &stillRunning);
        int left = 0;
        while (CURLMsg* message = curl.multi_info_read(multi.get(), &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            Fetch* fetch = nullptr;
            curl.easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &fetch);
            const CURLcode result = message->data.result;
            curl.multi_remove_handle(multi.get(), message->easy_handle);
            if (std::optional<RedirectProblem> problem = Judge(curl, *fetch, result))
                problems.push_back(std::move(*problem));
            fetch->handle.reset();
            fetch->body = std::string();
            --running;
        }
        if (running > 0)
            curl.multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
    }
    return problems;
}

} // namespace redirect

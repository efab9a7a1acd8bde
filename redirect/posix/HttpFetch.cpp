#include "redirect/HttpFetch.h"

#include "gameini/Error.h"

#include <curl/curl.h>

#include <algorithm>
#include <deque>
#include <dlfcn.h>
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
        Bind(easy_strerror, "curl_easy_strerror");
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
    decltype(curl_easy_strerror)* easy_strerror;
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

// One request, and what came back.
struct Fetch {
    Fetch(size_t index, const std::string& url, size_t most) : index(index), url(url), most(most) {}

    size_t index;
    const std::string& url;
    size_t most;
    std::string body; // at most `most` bytes
    char error[CURL_ERROR_SIZE] = {};
    std::unique_ptr<CURL, void (*)(CURL*)> handle{
        nullptr, [](CURL* easy) { LoadedCurl().easy_cleanup(easy); }};
};

size_t TakeBody(char* data, size_t size, size_t count, void* fetchPointer) {
    Fetch& fetch = *static_cast<Fetch*>(fetchPointer);
    const size_t bytes = size * count;
    const size_t room = fetch.most - std::min(fetch.most, fetch.body.size());
    fetch.body.append(data, std::min(bytes, room));
    // A server that sends the whole file is stopped once the start is in.
    return bytes <= room ? bytes : 0;
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
    curl.easy_setopt(handle, CURLOPT_RANGE, ("0-" + std::to_string(fetch.most - 1)).c_str());
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

HttpAnswer AnswerOf(const Curl& curl, Fetch& fetch, CURLcode result) {
    HttpAnswer answer;
    curl.easy_getinfo(fetch.handle.get(), CURLINFO_RESPONSE_CODE, &answer.status);
    const bool cutShort = result == CURLE_WRITE_ERROR && fetch.body.size() == fetch.most;
    if (result != CURLE_OK && !cutShort)
        answer.error = *fetch.error ? fetch.error : curl.easy_strerror(result);
    answer.body = std::move(fetch.body);
    return answer;
}

} // namespace

void FetchStarts(const std::vector<std::string>& urls, size_t most,
                 const std::function<void(size_t, HttpAnswer)>& take) {
    const Curl& curl = LoadedCurl();
    const std::unique_ptr<CURLM, decltype(curl.multi_cleanup)> multi(curl.multi_init(),
                                                                     curl.multi_cleanup);
    if (!multi)
        throw std::bad_alloc();
    std::deque<Fetch> fetches;
    for (size_t i = 0; i < urls.size(); ++i)
        fetches.emplace_back(i, urls[i], most);
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
            take(fetch->index, AnswerOf(curl, *fetch, result));
            fetch->handle.reset();
            --running;
        }
        if (running > 0)
            curl.multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
    }
}

} // namespace redirect

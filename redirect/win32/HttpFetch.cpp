#include "redirect/HttpFetch.h"

#include "gameini/Error.h"
#include "gameini/win32/WideText.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <windows.h>
// After windows.h, which it builds on.
#include <winhttp.h>

namespace redirect {
namespace {

constexpr size_t kMostConnections = 8;
constexpr int kConnectMilliseconds = 5000, kRequestMilliseconds = 20000;

using Internet = std::unique_ptr<void, decltype(&WinHttpCloseHandle)>;

Internet Own(HINTERNET handle) {
    return Internet(handle, &WinHttpCloseHandle);
}

// Windows' words for its last error.
std::string LastError() {
    const DWORD error = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                   GetModuleHandleW(L"winhttp.dll"), error, 0, reinterpret_cast<LPWSTR>(&text), 0,
                   nullptr);
    std::string said = text ? gameini::Utf8Text(text) : "";
    LocalFree(text);
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == '.'))
        said.pop_back();
    return said.empty() ? "Windows error " + std::to_string(error) : said;
}

HttpAnswer Failed() {
    return {LastError(), 0, ""};
}

HttpAnswer Fetch(HINTERNET session, const std::string& url, size_t most) {
    const std::wstring wide = gameini::WideText(url);
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!WinHttpCrackUrl(wide.c_str(), 0, 0, &parts))
        return Failed();
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return {"only http and https are fetched", 0, ""};
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                              std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    const Internet connection = Own(WinHttpConnect(session, host.c_str(), parts.nPort, 0));
    if (!connection)
        return Failed();
    const Internet request =
        Own(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                               WINHTTP_DEFAULT_ACCEPT_TYPES,
                               parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!request)
        return Failed();
    DWORD redirects = 5;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects,
                     sizeof redirects);
    const std::wstring range = L"Range: bytes=0-" + std::to_wstring(most - 1);
    if (!WinHttpSendRequest(request.get(), range.c_str(), static_cast<DWORD>(range.size()),
                            WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
        return Failed();
    HttpAnswer answer;
    DWORD status = 0, size = sizeof status;
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return Failed();
    answer.status = static_cast<long>(status);
    // A server that sends the whole file is stopped once the start is in.
    std::string piece(16 * 1024, '\0');
    for (DWORD got = 0; answer.body.size() < most; answer.body.append(piece.data(), got)) {
        const DWORD room = static_cast<DWORD>(std::min(piece.size(), most - answer.body.size()));
        if (!WinHttpReadData(request.get(), piece.data(), room, &got))
            return Failed();
        if (got == 0)
            break;
    }
    return answer;
}

} // namespace

void FetchStarts(const std::vector<std::string>& urls, size_t most,
                 const std::function<void(size_t, HttpAnswer)>& take) {
    const Internet session = Own(WinHttpOpen(L"sarvelin-cli", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                             WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        throw gameini::Error("Cannot fetch over HTTP: " + LastError());
    WinHttpSetTimeouts(session.get(), kConnectMilliseconds, kConnectMilliseconds,
                       kRequestMilliseconds, kRequestMilliseconds);
    // A few requests at once, each on a thread of its own; the answers are
    // handed over one at a time, in the order they come.
    std::atomic<size_t> next = 0;
    std::mutex handing;
    std::vector<std::jthread> fetchers;
    for (size_t i = 0; i < std::min(kMostConnections, urls.size()); ++i)
        fetchers.emplace_back([&] {
            for (size_t at; (at = next++) < urls.size();) {
                HttpAnswer answer = Fetch(session.get(), urls[at], most);
                const std::lock_guard hand(handing);
                take(at, std::move(answer));
            }
        });
}

} // namespace redirect

#include "locate/RunningGame.h"

#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/SystemCalls.h"
#include "gameini/win32/WideText.h"
#include "locate/GameProgram.h"

#include <cerrno>
#include <memory>
#include <optional>
#include <windows.h>
// After windows.h, which they build on.
#include <shellapi.h>
#include <tlhelp32.h>
#include <winternl.h>

namespace locate {

namespace {

using Handle = std::unique_ptr<void, decltype(&CloseHandle)>;

// The full path of a process's program; empty when it cannot be read.
std::string ProgramPath(HANDLE process) {
    wchar_t path[32768];
    DWORD length = sizeof path / sizeof *path;
    if (!process || !QueryFullProcessImageNameW(process, 0, path, &length))
        return "";
    return gameini::Utf8Text(std::wstring(path, length));
}

// A process's command line, as Windows 8.1 gives it to whoever may ask the
// process's program path; empty when it cannot be read.
std::wstring CommandLineAsked(HANDLE process) {
    constexpr PROCESSINFOCLASS kCommandLine = static_cast<PROCESSINFOCLASS>(60);
    constexpr ULONG kLongest = sizeof(UNICODE_STRING) + 32768 * sizeof(wchar_t);
    ULONG needed = 0;
    NtQueryInformationProcess(process, kCommandLine, nullptr, 0, &needed);
    if (needed < sizeof(UNICODE_STRING) || needed > kLongest)
        return {};
    std::vector<ULONG_PTR> buffer(needed / sizeof(ULONG_PTR) + 1);
    if (!NT_SUCCESS(
            NtQueryInformationProcess(process, kCommandLine, buffer.data(), needed, &needed)))
        return {};
    const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    const auto* start = reinterpret_cast<const char*>(text->Buffer);
    const auto* end = reinterpret_cast<const char*>(buffer.data() + buffer.size());
    if (start < reinterpret_cast<const char*>(text + 1) || text->Length > end - start)
        return {};
    return std::wstring(text->Buffer, text->Length / sizeof(wchar_t));
}

// The same, read from the process's own memory, where the system does not
// give it (Wine): its parameters, as its environment block records them.
std::wstring CommandLineRead(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic;
    PEB peb;
    RTL_USER_PROCESS_PARAMETERS parameters;
    if (!NT_SUCCESS(NtQueryInformationProcess(process, ProcessBasicInformation, &basic,
                                              sizeof basic, nullptr)) ||
        !ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
        !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr))
        return {};
    std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, line.data(),
                           line.size() * sizeof(wchar_t), nullptr))
        return {};
    return line;
}

// A process's arguments, its command line split as programs split theirs;
// empty when it cannot be read.
std::vector<std::string> Arguments(HANDLE process) {
    if (!process)
        return {};
    std::wstring line = CommandLineAsked(process);
    if (line.empty())
        line = CommandLineRead(process);
    if (line.empty())
        return {};
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> words(
        CommandLineToArgvW(line.c_str(), &count), &LocalFree);
    std::vector<std::string> arguments;
    for (int i = 0; words && i < count; ++i)
        arguments.push_back(gameini::Utf8Text(words.get()[i]));
    return arguments;
}

struct Seen {
    GameProcess game;
    std::string program; // the program's full path; empty when it cannot be read
    std::vector<std::string> arguments;
};

// The process, to read its memory where it may be read, or else only to ask
// of it; null when not even that.
HANDLE OpenGame(DWORD id) {
    if (const HANDLE full = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id))
        return full;
    return OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
}

template <class Take> void ForEachGame(Take take) {
    const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0), &CloseHandle);
    if (snapshot.get() == INVALID_HANDLE_VALUE)
        gameini::ThrowSystemError(EACCES, "Cannot tell whether the game is running: cannot list "
                                          "the processes");
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (bool more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        const std::string name = gameini::Utf8Text(entry.szExeFile);
        if (!IsGameProgram(name))
            continue;
        const Handle process(OpenGame(entry.th32ProcessID), &CloseHandle);
        Seen seen{{static_cast<pid_t>(entry.th32ProcessID), name, "", ""},
                  ProgramPath(process.get()),
                  Arguments(process.get())};
        if (!seen.program.empty())
            seen.game.folder = gameini::FolderOf(seen.program);
        take(seen);
    }
}

std::optional<gameini::FileStatus> FolderOf(const std::string& file) {
    return gameini::StatusOf(gameini::FolderOf(file));
}

// Why the process uses the configuration, as GamesUsing says; nothing when
// it does not.
std::optional<std::string> Uses(const Seen& seen, const gameini::FileStatus& config,
                                const gameini::FileStatus& folder) {
    // A server told its configuration with ini= (a co-op server's
    // Postal2CoOp.ini) writes back that one, and none of those beside it.
    // The engine reads a relative one from its program's folder.
    bool told = false;
    for (const std::string& argument : seen.arguments) {
        const size_t key = IniKeyLength(argument);
        if (key == 0)
            continue;
        told = true;
        std::string named = argument.substr(key);
        if (gameini::RootLength(named) == 0 && !seen.program.empty())
            named = gameini::InFolder(gameini::FolderOf(seen.program), named);
        const std::optional<gameini::FileStatus> file = gameini::StatusOf(named);
        if (file && file->SameFileAs(config))
            return "its command line names it with " + argument.substr(0, key);
    }
    if (told)
        return std::nullopt;
    if (seen.program.empty())
        return "it could write the configuration, and where it runs cannot be read";
    const std::optional<gameini::FileStatus> programFolder = FolderOf(seen.program);
    if (programFolder && programFolder->SameFileAs(folder))
        return "its program's folder is the configuration's folder";
    return std::nullopt;
}

} // namespace

std::vector<GameProcess> RunningGames() {
    std::vector<GameProcess> games;
    ForEachGame([&](const Seen& seen) { games.push_back(seen.game); });
    return games;
}

std::vector<GameProcess> GamesUsing(const std::string& config) {
    const std::optional<gameini::FileStatus> file = gameini::StatusOf(config);
    const std::optional<gameini::FileStatus> folder = FolderOf(config);
    if (!file || !folder)
        return {}; // reading it says why
    std::vector<GameProcess> games;
    ForEachGame([&](const Seen& seen) {
        if (std::optional<std::string> why = Uses(seen, *file, *folder)) {
            games.push_back(seen.game);
            games.back().why = std::move(*why);
        }
    });
    return games;
}

} // namespace locate

#include "RunningGame.h"

#include "Error.h"
#include "FileDescriptor.h"
#include "GamePath.h"
#include "TextCase.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <dirent.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsGameProgram(std::string_view name) {
    static constexpr std::array<std::string_view, 4> kPrograms = {"postal2-bin", "ucc-bin",
                                                                  "postal2.exe", "ucc.exe"};
    const std::string lower = gameini::LowerCase(name);
    for (std::string_view program : kPrograms)
        if (lower == program)
            return true;
    return false;
}

// The last part of a path written with either separator.
std::string_view BaseName(std::string_view path) {
    const size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

// The arguments of a command line as /proc gives it, NUL after each.
std::vector<std::string> Arguments(const std::string& commandLine) {
    std::vector<std::string> arguments;
    for (size_t start = 0; start < commandLine.size();) {
        const size_t end = std::min(commandLine.find('\0', start), commandLine.size());
        arguments.push_back(commandLine.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

std::string LinkText(const std::string& link) {
    char text[PATH_MAX];
    const ssize_t length = readlink(link.c_str(), text, sizeof text);
    return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

struct Identity {
    dev_t device;
    ino_t inode;
    bool operator==(const Identity&) const = default;
};

// The file's identity, or nothing when it cannot be found; `denied` tells
// when it could not be looked at.
std::optional<Identity> IdentityOf(const std::string& path, bool* denied = nullptr) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        if (denied)
            *denied = errno == EACCES || errno == EPERM;
        return std::nullopt;
    }
    return Identity{info.st_dev, info.st_ino};
}

std::optional<GameProcess> GameAt(const dirent& entry) {
    const std::string_view id = entry.d_name;
    pid_t pid = 0;
    if (std::from_chars(id.data(), id.data() + id.size(), pid).ptr != id.data() + id.size())
        return std::nullopt;
    const std::string proc = "/proc/" + std::string(id);
    std::string comm = gameini::ReadAllThatCanBeRead(proc + "/comm");
    if (comm.ends_with('\n'))
        comm.pop_back();
    const std::vector<std::string> arguments =
        Arguments(gameini::ReadAllThatCanBeRead(proc + "/cmdline"));
    const std::string first = arguments.empty() ? "" : std::string(BaseName(arguments[0]));
    if (!IsGameProgram(comm) && !IsGameProgram(first))
        return std::nullopt;
    return GameProcess{pid, IsGameProgram(first) ? first : comm, LinkText(proc + "/cwd")};
}

template <class Take> void ForEachGame(Take take) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        gameini::ThrowSystemError(errno,
                                  "Cannot tell whether the game is running: cannot read /proc");
    while (const dirent* entry = readdir(proc))
        if (std::optional<GameProcess> game = GameAt(*entry))
            take(*game);
    closedir(proc);
}

// Whether the process uses the configuration, as GamesUsing says.
bool Uses(const GameProcess& game, const Identity& folder, const Identity& config) {
    const std::string proc = "/proc/" + std::to_string(game.pid);
    bool denied = false;
    const std::optional<Identity> current = IdentityOf(proc + "/cwd", &denied);
    if (denied || current == folder)
        return true;
    // The program's folder, as the process sees its own file system.
    const std::string program = LinkText(proc + "/exe");
    if (!program.empty() &&
        IdentityOf(proc + "/root" + gameini::FolderOf(program), &denied) == folder)
        return true;
    if (denied)
        return true;
    for (const std::string& argument :
         Arguments(gameini::ReadAllThatCanBeRead(proc + "/cmdline"))) {
        const std::string lower = gameini::LowerCase(argument);
        const size_t key = lower.starts_with("ini=") ? 4 : lower.starts_with("-ini=") ? 5 : 0;
        if (key == 0)
            continue;
        std::string named = argument.substr(key);
        std::replace(named.begin(), named.end(), '\\', '/');
        const std::string base = named.starts_with('/') ? proc + "/root" : proc + "/cwd/";
        if (IdentityOf(gameini::ResolvePath(base + named)) == config)
            return true;
    }
    return false;
}

} // namespace

std::vector<GameProcess> RunningGames() {
    std::vector<GameProcess> games;
    ForEachGame([&](const GameProcess& game) { games.push_back(game); });
    return games;
}

std::vector<GameProcess> GamesUsing(const std::string& config) {
    const std::optional<Identity> folder = IdentityOf(gameini::FolderOf(config));
    const std::optional<Identity> file = IdentityOf(config);
    std::vector<GameProcess> games;
    ForEachGame([&](const GameProcess& game) {
        if (folder && Uses(game, *folder, file.value_or(Identity{0, 0})))
            games.push_back(game);
    });
    return games;
}

#include "locate/RunningGame.h"
#include "locate/GameProgram.h"
#include "locate/WinePaths.h"

#include "gameini/Directory.h"
#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <iterator>
#include <optional>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace locate {

namespace {

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

std::optional<GameProcess> GameAt(std::string_view id) {
    pid_t pid = 0;
    if (std::from_chars(id.data(), id.data() + id.size(), pid).ptr != id.data() + id.size())
        return std::nullopt;
    const std::string proc = "/proc/" + std::string(id);
    std::string comm = gameini::ReadAllThatCanBeRead(proc + "/comm");
    if (comm.ends_with('\n'))
        comm.pop_back();
    const std::vector<std::string> arguments =
        Arguments(gameini::ReadAllThatCanBeRead(proc + "/cmdline"));
    const std::string first = arguments.empty() ? "" : ProgramName(arguments[0]);
    if (!IsGameProgram(comm) && !IsGameProgram(first))
        return std::nullopt;
    return GameProcess{pid, IsGameProgram(first) ? first : comm, LinkText(proc + "/cwd"), {}};
}

template <class Take> void ForEachGame(Take take) {
    gameini::Directory proc("/proc");
    if (!proc.IsOpen())
        gameini::ThrowSystemError(errno,
                                  "Cannot tell whether the game is running: cannot read /proc");
    while (const char* entry = proc.Next())
        if (std::optional<GameProcess> game = GameAt(entry))
            take(*game);
}

// Whether the process's user and groups, as /proc/PID/status gives them,
// may write a file of this owner, group and mode; its owner may always, as it
// may make the file writable first. A status that cannot be read may.
bool CouldWrite(const std::string& proc, const struct stat& file) {
    std::istringstream status(gameini::ReadAllThatCanBeRead(proc + "/status"));
    std::optional<uid_t> user; // the one used for files
    std::vector<gid_t> groups;
    for (std::string line; std::getline(status, line);) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        std::vector<unsigned long> numbers{std::istream_iterator<unsigned long>(fields), {}};
        if (key == "Uid:" && numbers.size() == 4)
            user = static_cast<uid_t>(numbers[3]);
        else if ((key == "Gid:" && numbers.size() == 4) || key == "Groups:")
            groups.insert(groups.end(), numbers.begin() + (key == "Gid:" ? 3 : 0), numbers.end());
    }
    if (!user || *user == 0 || *user == file.st_uid)
        return true;
    if (std::find(groups.begin(), groups.end(), file.st_gid) != groups.end())
        return file.st_mode & S_IWGRP;
    return file.st_mode & S_IWOTH;
}

// The value of a variable in an environment as /proc gives it, NUL after each.
std::string Variable(const std::string& environment, std::string_view name) {
    for (const std::string& entry : Arguments(environment))
        if (entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=')
            return entry.substr(name.size() + 1);
    return "";
}

// The path an ini= value names, as the process sees it: under Wine a drive
// letter ("Z:\\srv\\p2\\System\\Postal2CoOp.ini") leads through the
// prefix's dosdevices, where Z: is the root; a relative one is the process's
// current folder's. Nothing when it cannot be told.
std::optional<std::string> IniPath(const std::string& proc, std::string named, bool hidden,
                                   bool cwdDenied) {
    if (named.size() >= 2 && named[1] == ':') {
        const std::string environment = gameini::ReadAllThatCanBeRead(proc + "/environ");
        std::string prefix = Variable(environment, "WINEPREFIX");
        if (prefix.empty() && !Variable(environment, "HOME").empty())
            prefix = Variable(environment, "HOME") + "/.wine";
        const std::optional<std::string> path =
            LinuxPathOf(named, prefix, hidden ? "" : proc + "/root");
        if (!path)
            return std::nullopt;
        named = *path;
    }
    std::replace(named.begin(), named.end(), '\\', '/');
    if (named.starts_with('/'))
        return (hidden ? "" : proc + "/root") + named;
    if (cwdDenied)
        return std::nullopt; // relative to a folder it does not show
    return proc + "/cwd/" + named;
}

// Why the process uses the configuration, as GamesUsing says; nothing when
// it does not.
std::optional<std::string> Uses(const GameProcess& game, const Identity& folder,
                                const Identity& config, const struct stat& configInfo,
                                const struct stat& folderInfo) {
    const std::string proc = "/proc/" + std::to_string(game.pid);
    // What it cannot write, it cannot write back when it quits.
    if (!CouldWrite(proc, configInfo) && !CouldWrite(proc, folderInfo))
        return std::nullopt;
    bool cwdDenied = false, exeDenied = false;
    const std::optional<Identity> cwd = IdentityOf(proc + "/cwd", &cwdDenied);
    const std::string program = LinkText(proc + "/exe");
    const std::optional<Identity> programFolder =
        program.empty() ? std::nullopt
                        : IdentityOf(proc + "/root" + gameini::FolderOf(program), &exeDenied);
    exeDenied |= program.empty() && errno == EACCES;
    const bool hidden = cwdDenied || exeDenied; // another user's process
    // Its command line can always be read. A server told its configuration
    // with ini= (a co-op server's Postal2CoOp.ini) writes back that one, and
    // none of those beside it.
    bool told = false;
    const std::vector<std::string> arguments =
        Arguments(gameini::ReadAllThatCanBeRead(proc + "/cmdline"));
    for (const std::string& argument : arguments) {
        const size_t key = IniKeyLength(argument);
        if (key == 0)
            continue;
        const std::optional<std::string> named =
            IniPath(proc, argument.substr(key), hidden, cwdDenied);
        if (!named)
            continue;
        told = true;
        if (IdentityOf(gameini::ResolvePath(*named)) == config)
            return "its command line names it with " + argument.substr(0, key);
    }
    if (told)
        return std::nullopt;
    if (cwd == folder)
        return "its working folder is the configuration's folder";
    if (programFolder == folder)
        return "its program's folder is the configuration's folder";
    if (!hidden)
        return std::nullopt; // everything about it was seen
    if (!arguments.empty() && arguments[0].starts_with('/')) {
        if (IdentityOf(gameini::FolderOf(arguments[0])) == folder)
            return "its command line starts its program from the configuration's folder";
        return std::nullopt;
    }
    return "it could write the configuration, and where it runs cannot be read";
}

} // namespace

std::vector<GameProcess> RunningGames() {
    std::vector<GameProcess> games;
    ForEachGame([&](const GameProcess& game) { games.push_back(game); });
    return games;
}

std::vector<GameProcess> GamesUsing(const std::string& config) {
    struct stat configInfo, folderInfo;
    if (stat(config.c_str(), &configInfo) != 0 ||
        stat(gameini::FolderOf(config).c_str(), &folderInfo) != 0)
        return {}; // reading it says why
    const Identity folder{folderInfo.st_dev, folderInfo.st_ino},
        file{configInfo.st_dev, configInfo.st_ino};
    std::vector<GameProcess> games;
    ForEachGame([&](GameProcess game) {
        if (std::optional<std::string> why = Uses(game, folder, file, configInfo, folderInfo)) {
            game.why = std::move(*why);
            games.push_back(std::move(game));
        }
    });
    return games;
}

} // namespace locate

#include "RunningGame.h"

#include "TextCase.h"

#include <array>
#include <charconv>
#include <dirent.h>
#include <fstream>
#include <string_view>

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

std::string FirstLine(const std::string& path, char end) {
    std::ifstream file(path);
    std::string text;
    std::getline(file, text, end);
    return text;
}

} // namespace

std::optional<GameProcess> FindRunningGame() {
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return std::nullopt;
    std::optional<GameProcess> found;
    while (const dirent* entry = readdir(proc)) {
        const std::string_view id = entry->d_name;
        pid_t pid = 0;
        if (std::from_chars(id.data(), id.data() + id.size(), pid).ptr != id.data() + id.size())
            continue;
        const std::string folder = "/proc/" + std::string(id);
        const std::string comm = FirstLine(folder + "/comm", '\n');
        const std::string argument = std::string(BaseName(FirstLine(folder + "/cmdline", '\0')));
        if (IsGameProgram(comm) || IsGameProgram(argument)) {
            found = GameProcess{pid, IsGameProgram(argument) ? argument : comm};
            break;
        }
    }
    closedir(proc);
    return found;
}

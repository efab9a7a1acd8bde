#include "locate/GameProgram.h"

#include "gameini/GamePath.h"
#include "gameini/TextCase.h"

#include <algorithm>
#include <array>

namespace locate {

bool IsGameProgram(std::string_view name) {
    static constexpr std::array<std::string_view, 4> kPrograms = {"postal2-bin", "ucc-bin",
                                                                  "postal2.exe", "ucc.exe"};
    const std::string lower = gameini::LowerCase(name);
    return std::find(kPrograms.begin(), kPrograms.end(), lower) != kPrograms.end();
}

std::string ProgramName(std::string word) {
    std::replace(word.begin(), word.end(), '\\', '/');
    return gameini::NameOf(word);
}

size_t IniKeyLength(std::string_view argument) {
    const std::string lower = gameini::LowerCase(argument.substr(0, 5));
    return lower.starts_with("ini=") ? 4 : lower.starts_with("-ini=") ? 5 : 0;
}

} // namespace locate

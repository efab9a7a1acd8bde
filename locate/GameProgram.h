#pragma once

#include <string>
#include <string_view>

namespace locate {

// Whether a process's name is one of the game's programs: postal2-bin,
// ucc-bin, Postal2.exe or UCC.exe, in any letter case.
bool IsGameProgram(std::string_view name);

// The program's name in a command line's first word, which may be a Windows
// path ("C:\\Postal2\\System\\Postal2.exe").
std::string ProgramName(std::string word);

// The length of the "ini=" or "-ini=" that starts an argument naming the
// configuration a server reads and writes back, in any letter case; 0 when
// it names none.
size_t IniKeyLength(std::string_view argument);

} // namespace locate

#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A running process of the game or its dedicated server: postal2-bin,
// ucc-bin, Postal2.exe or UCC.exe in any letter case, by the process's name
// or by the last part of its first argument (under Wine a Windows path). The
// engine writes its whole configuration back when it quits, so an edit made
// while it runs is lost.
struct GameProcess {
    pid_t pid;
    std::string name;   // as the process shows it: "postal2-bin", "Postal2.exe", ...
    std::string folder; // its current folder; empty when it cannot be read
};

// Every game process running on this machine. Throws gameini::FileError when
// /proc cannot be read.
std::vector<GameProcess> RunningGames();

// The game processes that use the configuration at `config`: those whose
// current folder or program folder is the configuration's folder, or whose
// command line names it with ini= or -ini=, relative to its current folder.
// Folders are compared as files, so a server in a container, or reached by
// another path, is found. A process whose folders cannot be read (another
// user's) may use it, so it counts, with an empty folder. Throws
// gameini::FileError when /proc cannot be read.
std::vector<GameProcess> GamesUsing(const std::string& config);

#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace locate {

// A running process of the game or its dedicated server: postal2-bin,
// ucc-bin, Postal2.exe or UCC.exe in any letter case, by the process's name
// or by the last part of its first argument (under Wine a Windows path). The
// engine writes its whole configuration back when it quits, so an edit made
// while it runs is lost.
struct GameProcess {
    pid_t pid;
    std::string name;   // as the process shows it: "postal2-bin", "Postal2.exe", ...
    std::string folder; // its current folder; empty when it cannot be read
    std::string why;    // why it uses a configuration, for GamesUsing
};

// Every game process running on this machine. Throws gameini::FileError when
// /proc cannot be read.
std::vector<GameProcess> RunningGames();

// The game processes that may write the configuration at `config` back when
// they quit. A process whose user and groups could not write the file or its
// folder never does. One that could counts when its current folder or its
// program's folder is the configuration's folder, or its command line names
// the configuration with ini= or -ini=, relative to its current folder or,
// under Wine, by a drive letter of its prefix (Z: is the root). One that
// names a configuration with ini= writes back that one only, so its folder
// alone does not count.
// Folders are compared as files, so a server in a container, or reached by
// another path, is found. Where its folders cannot be read (another user's
// process), its command line decides: it counts if it starts its program
// from the configuration's folder, or tells nothing of where it runs. Each
// says why it counts. Throws gameini::FileError when /proc cannot be read.
std::vector<GameProcess> GamesUsing(const std::string& config);

} // namespace locate

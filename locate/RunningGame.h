#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

// A running process of the game or its dedicated server.
struct GameProcess {
    pid_t pid;
    std::string name; // as the process shows it: "postal2-bin", "Postal2.exe", ...
};

// The first game or server process found running: postal2-bin, ucc-bin,
// Postal2.exe or UCC.exe in any letter case, by the process's name or by the
// last part of its first argument (under Wine a Windows path). The engine
// writes its whole configuration back when it quits, so an edit made while it
// runs is lost.
std::optional<GameProcess> FindRunningGame();

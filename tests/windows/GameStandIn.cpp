#include "gameini/FileSystem.h"
#include "gameini/FolderHold.h"
#include "gameini/SystemCalls.h"

#include <cstdio>
#include <optional>
#include <string_view>
#include <windows.h>

// Stands in for Postal2.exe or UCC.exe: runs until it is stopped. Told
// "save FILE", "read FILE" or "folder DIR", it is also another program holding
// that configuration or redirect folder meanwhile. It prints its process ID
// once it holds what it was told to.
int main(int argc, char** argv) {
    const std::string_view task = argc == 3 ? argv[1] : "";
    gameini::FileDescriptor file;
    std::optional<gameini::FolderHold> folder;
    if (task == "save" || task == "read") {
        file = gameini::FileDescriptor(gameini::OpenToRead(argv[2]));
        const auto access = task == "save" ? gameini::Access::Write : gameini::Access::Read;
        if (file.Get() < 0 || !gameini::RealFileSystem().TryLock(file, access, argv[2]))
            return 1;
    } else if (task == "folder") {
        folder.emplace(argv[2], std::chrono::milliseconds(0));
    }
    std::printf("%lu", GetCurrentProcessId());
    std::fflush(stdout);
    Sleep(INFINITE);
}

#include "Change.h"

#include "Diff.h"
#include "Error.h"
#include "GamePath.h"
#include "ReplaceWithBackup.h"

#include <algorithm>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace {

// Reads the file a chunk at a time into `chunk`, handing each chunk to `take`
// until it returns false; throws FileError naming the file.
template <class Take> void ReadChunks(const std::string& path, Take take) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        gameini::ThrowSystemError(errno, "Cannot open " + path + " for reading");
    std::string chunk(1 << 20, '\0');
    for (;;) {
        const ssize_t got = read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int err = errno;
            close(fd);
            gameini::ThrowSystemError(err, "Cannot read " + path);
        }
        if (got == 0 || !take(std::string_view(chunk.data(), static_cast<size_t>(got))))
            break;
    }
    close(fd);
}

// Whether the file holds exactly `bytes`, without holding a second copy.
bool HoldsExactly(const std::string& path, std::string_view bytes) {
    bool same = true;
    ReadChunks(path, [&](std::string_view chunk) {
        same = bytes.starts_with(chunk);
        bytes.remove_prefix(std::min(bytes.size(), chunk.size()));
        return same;
    });
    return same && bytes.empty();
}

} // namespace

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    ReadChunks(path, [&](std::string_view chunk) {
        bytes += chunk;
        return true;
    });
    return bytes;
}

void ApplyChange(const Context& context, const gameini::ChoosePackages& choose, bool dryRun) {
    if (!dryRun)
        context.RefuseWhileTheGameRuns(); // even when nothing would change: scripts learn of it
    const gameini::ConfigurationFiles files = context.Files();
    const std::string after = gameini::RewrittenGameIni(files.config, choose);
    if (HoldsExactly(files.config, after)) {
        std::cout << "unchanged\n";
        return;
    }
    if (dryRun) {
        PrintDiff(std::cout, files.config, ReadWholeFile(files.config), after);
        return;
    }
    gameini::RefuseCaseVariants(files);
    gameini::FileSystem& fileSystem = gameini::RealFileSystem();
    const int fd = fileSystem.CreateFresh(files.work);
    try {
        fileSystem.Write(fd, after, files.work);
    } catch (const gameini::FileError&) {
        close(fd);
        throw;
    }
    fileSystem.Close(fd, files.work);
    gameini::ReplaceWithBackup(files, fileSystem);
    std::cout << "saved; previous configuration kept as " << gameini::NameOf(files.backup) << "\n";
}

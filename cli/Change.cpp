#include "Change.h"

#include "Diff.h"
#include "Error.h"
#include "GamePath.h"
#include "ReplaceWithBackup.h"
#include "RewriteGameIni.h"

#include <fcntl.h>
#include <iostream>
#include <unistd.h>

std::string ReadWholeFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        gameini::ThrowSystemError(errno, "Cannot open " + path + " for reading");
    std::string bytes;
    char chunk[1 << 16];
    for (ssize_t got; (got = read(fd, chunk, sizeof chunk)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int err = errno;
            close(fd);
            gameini::ThrowSystemError(err, "Cannot read " + path);
        }
        bytes.append(chunk, static_cast<size_t>(got));
    }
    close(fd);
    return bytes;
}

void ApplyChange(const Context& context, const std::vector<std::string>& packages, bool dryRun) {
    const gameini::ConfigurationFiles files = context.Files();
    const std::string after = gameini::RewrittenGameIni(files.config, packages);
    const std::string before = ReadWholeFile(files.config);
    if (after == before) {
        std::cout << "unchanged\n";
        return;
    }
    if (dryRun) {
        PrintDiff(std::cout, files.config, before, after);
        return;
    }
    context.RefuseWhileTheGameRuns();
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

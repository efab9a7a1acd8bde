// Runs one save of a System folder through the save both programs share,
// holding the configuration as every writer does, and kills itself (SIGKILL;
// on Windows TerminateProcess, status 137) at the named point, as a power
// cut or a crash would stop it.
//
//   save_crash_child FOLDER POINT [window|add] [busy]
//   save_crash_child FOLDER POINT redirect WEB
//
// POINT is "none" or OPERATION#N: the process dies right after the Nth call
// of the operation, or for a write half-way through it. Operations: remove,
// rename, rename-no-replace, exchange, replace-keeping-backup, close,
// flush-new-file, flush-folder, open-for-overwrite, reserve,
// finish-overwrite, and write:work or
// write:config by the file written. "window" writes the package block after
// the header, as the window's Save does; "add" adds after the last package
// line, as the command line does. "busy": swapping the configuration fails
// with EBUSY, as a mount point's does, so the save goes on in place.
// "redirect" updates the redirect folder WEB for the configuration instead,
// pruning, through the same file operations.

#include "gameini/EditPolicies.h"
#include "gameini/Error.h"
#include "gameini/FileSystem.h"
#include "gameini/GamePath.h"
#include "gameini/SaveGameIni.h"
#include "redirect/RedirectFolder.h"
#include "redirect/Uz2.h"
#include "redirect/Uz2Compressor.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#ifdef _WIN32
#include <windows.h>
#endif

namespace {

[[noreturn]] void Die() {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 137);
#else
    raise(SIGKILL);
#endif
    std::abort(); // neither returns
}

class KillingFileSystem : public gameini::FileSystem {
public:
    KillingFileSystem(std::string point, std::string config, bool busy)
        : point_(std::move(point)), config_(std::move(config)), busy_(busy) {}

    void Write(const gameini::FileDescriptor& file, std::string_view bytes,
               const std::string& path) override {
        if (Due(path == config_ ? "write:config" : "write:work")) {
            FileSystem::Write(file, bytes.substr(0, bytes.size() / 2), path);
            Die();
        }
        FileSystem::Write(file, bytes, path);
    }
    void Close(gameini::FileDescriptor file, const std::string& path) override {
        FileSystem::Close(std::move(file), path);
        KillIfDue("close");
    }
    void FlushNewFile(const std::string& path, const std::string& like) override {
        FileSystem::FlushNewFile(path, like);
        KillIfDue("flush-new-file");
    }
    void Remove(const std::string& path) override {
        FileSystem::Remove(path);
        KillIfDue("remove");
    }
    void RenameNoReplace(const std::string& from, const std::string& to) override {
        FileSystem::RenameNoReplace(from, to);
        KillIfDue("rename-no-replace");
    }
    void Rename(const std::string& from, const std::string& to) override {
        FileSystem::Rename(from, to);
        KillIfDue("rename");
    }
    bool Exchange(const std::string& first, const std::string& second) override {
        if (busy_ && (first == config_ || second == config_))
            gameini::ThrowSystemError(EBUSY, "Cannot swap " + first + " and " + second);
        const bool swapped = FileSystem::Exchange(first, second);
        KillIfDue("exchange");
        return swapped;
    }
    bool ReplaceKeepingBackup(const std::string& replaced, const std::string& replacement,
                              const std::string& backup) override {
        const bool replacedNow = FileSystem::ReplaceKeepingBackup(replaced, replacement, backup);
        KillIfDue("replace-keeping-backup");
        return replacedNow;
    }
    void FlushFolder(const std::string& folder) override {
        FileSystem::FlushFolder(folder);
        KillIfDue("flush-folder");
    }
    gameini::FileDescriptor OpenForOverwrite(const std::string& path) override {
        gameini::FileDescriptor file = FileSystem::OpenForOverwrite(path);
        KillIfDue("open-for-overwrite");
        return file;
    }
    void Reserve(const gameini::FileDescriptor& file, size_t length,
                 const std::string& path) override {
        FileSystem::Reserve(file, length, path);
        KillIfDue("reserve");
    }
    void FinishOverwrite(gameini::FileDescriptor file, size_t length,
                         const std::string& path) override {
        FileSystem::FinishOverwrite(std::move(file), length, path);
        KillIfDue("finish-overwrite");
    }

private:
    bool Due(const std::string& operation) {
        return point_ == operation + "#" + std::to_string(++calls_[operation]);
    }
    void KillIfDue(const std::string& operation) {
        if (Due(operation))
            Die();
    }

    std::string point_, config_;
    bool busy_;
    std::map<std::string, int> calls_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: save_crash_child FOLDER POINT [window|add] [busy]\n");
        return 2;
    }
    const std::string placement = argc > 3 ? argv[3] : "window";
    if (placement == "redirect" && argc > 4) {
        KillingFileSystem fileSystem(argv[2], "", false);
        locate::PackageReadCache readCache;
        // Named as the test's manifest names it, with the system's separator.
        const std::string config = gameini::InFolder(argv[1], "postal2.ini");
        const gameini::ConfigurationContents setup =
            gameini::ReadConfiguration(config, gameini::ReadDepth::Everything);
        const redirect::DownloadSet set = redirect::PackagesPlayersNeed(
            setup, locate::PackageSearch(setup.searchPaths, argv[1]), {}, {}, readCache);
        redirect::UpdateRedirectFolder(
            set, argv[4], config, {{}, 2, false, true}, [](size_t, size_t, uint64_t, uint64_t) {},
            fileSystem);
        return 0;
    }
    const bool busy = argc > 4 && std::string(argv[4]) == "busy";
    const gameini::LockedConfiguration configuration =
        gameini::LockConfiguration(argv[1], "postal2.ini", gameini::Access::Write);
    KillingFileSystem fileSystem(argv[2], configuration.Files().config, busy);
    gameini::SaveGameIni(configuration,
                         placement == "add" ? gameini::AddPackages({"New"})
                                            : gameini::PackagesAfterEachHeader({"Engine", "New"}),
                         gameini::SaveMode::Always, fileSystem);
    return 0;
}

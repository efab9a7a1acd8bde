// Runs one save of a System folder, the way Save does it, and kills itself
// with SIGKILL at the named point, as a power cut or a crash would stop it.
//
//   save_crash_child FOLDER POINT
//
// POINT: none, inside-write (half of the second chunk written), after-rewrite,
// after-flush-work-file, after-remove-backup, after-rename-configuration,
// after-rename-work-file, after-flush-folder.

#include "FileSystem.h"
#include "ReplaceWithBackup.h"
#include "RewriteGameIni.h"

#include <csignal>
#include <cstdio>
#include <string>

namespace {

class KillingFileSystem : public gameini::FileSystem {
public:
    explicit KillingFileSystem(std::string point) : point_(std::move(point)) {}

    void Write(int fd, std::string_view bytes, const std::string& path) override {
        if (point_ == "inside-write" && ++writes_ == 2) {
            FileSystem::Write(fd, bytes.substr(0, bytes.size() / 2), path);
            raise(SIGKILL);
        }
        FileSystem::Write(fd, bytes, path);
    }
    void FlushWorkFile(const std::string& work, const std::string& config) override {
        FileSystem::FlushWorkFile(work, config);
        KillAt("after-flush-work-file");
    }
    void Remove(const std::string& path) override {
        FileSystem::Remove(path);
        KillAt("after-remove-backup");
    }
    void RenameNoReplace(const std::string& from, const std::string& to) override {
        FileSystem::RenameNoReplace(from, to);
        KillAt(++renames_ == 1 ? "after-rename-configuration" : "after-rename-work-file");
    }
    void FlushFolder(const std::string& folder) override {
        FileSystem::FlushFolder(folder);
        KillAt("after-flush-folder");
    }
    void KillAt(const char* point) {
        if (point_ == point)
            raise(SIGKILL);
    }

private:
    std::string point_;
    int writes_ = 0;
    int renames_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: save_crash_child FOLDER POINT\n");
        return 2;
    }
    const std::string folder = argv[1];
    KillingFileSystem fileSystem(argv[2]);
    gameini::RewriteGameIni(folder + "\\postal2.ini", folder + "\\newp2.ini", {"Engine", "New"},
                            fileSystem);
    fileSystem.KillAt("after-rewrite");
    gameini::ReplaceWithBackup(gameini::ConfigurationFilesOf(folder, "postal2.ini"), fileSystem);
    return 0;
}

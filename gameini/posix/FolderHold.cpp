#include "gameini/FolderHold.h"

#include "gameini/ConfigurationLock.h"
#include "gameini/Error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace gameini {

// The kernel's lock of the open folder.
struct FolderHold::Held {
    FileDescriptor folder;
};

FolderHold::FolderHold(const std::string& folder, std::chrono::milliseconds wait,
                       FileSystem& fileSystem) {
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        ThrowSystemError(errno, "Cannot make the folder " + folder);
    FileDescriptor held(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (held.Get() < 0)
        ThrowSystemError(errno, "Cannot open the folder " + folder);
    LockWaiting(held, Access::Write, folder, wait, fileSystem);
    held_ = std::make_unique<Held>(Held{std::move(held)});
}

FolderHold::~FolderHold() = default;

} // namespace gameini

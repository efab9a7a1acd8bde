#include "gameini/LockHolder.h"

#include "gameini/FileDescriptor.h"

#include <cstdio>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace gameini {

// As /proc/locks tells it, the pid and name only where this process may see
// them.
std::string LockHolder(int fd, const std::string& path) {
    struct stat held;
    std::string doing = "saving", who;
    if (fstat(fd, &held) != 0)
        return doing + " " + path;
    // As the kernel writes it: the device's numbers in hex, then the inode.
    char file[64];
    std::snprintf(file, sizeof file, "%02x:%02x:%lu", major(held.st_dev), minor(held.st_dev),
                  static_cast<unsigned long>(held.st_ino));
    std::istringstream locks(ReadAllThatCanBeRead("/proc/locks"));
    for (std::string line; std::getline(locks, line);) {
        // "1: FLOCK  ADVISORY  WRITE 1234 fd:01:5678 0 EOF"; a waiter has "->" after the number.
        std::istringstream fields(line);
        std::string number, type, mode, access, id;
        long pid = 0;
        if (!(fields >> number >> type >> mode >> access >> pid >> id) || type != "FLOCK" ||
            id != file)
            continue;
        doing = access == "READ" ? "reading" : "saving";
        if (pid > 0) {
            std::string name = ReadAllThatCanBeRead("/proc/" + std::to_string(pid) + "/comm");
            if (name.ends_with('\n'))
                name.pop_back();
            who = " (pid " + std::to_string(pid) + (name.empty() ? "" : ", " + name) + ")";
        }
        break;
    }
    return doing + " " + path + who;
}

} // namespace gameini

#include "support/MountNamespace.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

int InMountNamespace(const Mounts& mounts, const std::function<bool()>& check) {
    const pid_t child = fork();
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr))
            _exit(kNoMountNamespace);
        for (const auto& [what, where] : mounts) {
            const bool tmpfs = what.starts_with("tmpfs:");
            const std::string size = tmpfs ? "size=" + what.substr(6) : "";
            if (mount(tmpfs ? "tmpfs" : what.c_str(), where.c_str(), tmpfs ? "tmpfs" : nullptr,
                      tmpfs ? 0 : MS_BIND, tmpfs ? size.c_str() : nullptr) != 0)
                _exit(kNoMountNamespace);
        }
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

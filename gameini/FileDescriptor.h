#pragma once

#include <unistd.h>

namespace gameini {

// An open file descriptor, closed when it goes out of scope.
struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0)
            close(fd);
    }
};

} // namespace gameini

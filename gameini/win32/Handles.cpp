#include "gameini/win32/Handles.h"

#include "gameini/win32/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>

namespace gameini {

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

int DescriptorOf(HANDLE handle, int flags) {
    if (handle == INVALID_HANDLE_VALUE) {
        errno = ErrnoOf(GetLastError());
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
    }
    return fd;
}

} // namespace gameini

#pragma once

#include <windows.h>

namespace gameini {

// The programs hold files as C runtime descriptors; Windows' calls take the
// handle beneath.
HANDLE HandleOf(int fd);

// A descriptor that owns `handle`, opened in binary with `flags`. Gives -1
// with errno set, the handle closed, when `handle` is no handle (the error
// of the call that gave it) or no descriptor can be had.
int DescriptorOf(HANDLE handle, int flags);

} // namespace gameini

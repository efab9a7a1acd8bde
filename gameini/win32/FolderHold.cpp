#include "gameini/FolderHold.h"

#include "gameini/Error.h"
#include "gameini/SystemCalls.h"
#include "gameini/win32/SystemError.h"
#include "gameini/win32/WideText.h"

#include <algorithm>
#include <cerrno>
#include <windows.h>

namespace gameini {

// Windows locks no folder. A mutex named after the folder's identity stands
// for it, for every user of the machine; the system lets it go when its
// holder ends, however it ends.
struct FolderHold::Held {
    explicit Held(HANDLE held) : mutex(held) {}
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    HANDLE mutex;
    ~Held() {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
};

FolderHold::FolderHold(const std::string& folder, std::chrono::milliseconds wait, FileSystem&) {
    if (!CreateDirectoryW(WideText(folder).c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
        ThrowSystemError(ErrnoOf(GetLastError()), "Cannot make the folder " + folder);
    const std::optional<FileStatus> status = StatusOf(folder);
    if (!status)
        ThrowSystemError(errno, "Cannot open the folder " + folder);
    const std::wstring name = L"Global\\sarvelin-folder-" + std::to_wstring(status->device) + L"-" +
                              std::to_wstring(status->file);
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex)
        ThrowSystemError(ErrnoOf(GetLastError()), "Cannot hold the folder " + folder);
    const DWORD waited = WaitForSingleObject(
        mutex, static_cast<DWORD>(std::clamp<int64_t>(wait.count(), 0, INFINITE - 1)));
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) { // abandoned: its holder ended
        CloseHandle(mutex);
        throw BusyError("another program is using " + folder);
    }
    held_ = std::make_unique<Held>(mutex);
}

FolderHold::~FolderHold() = default;

} // namespace gameini

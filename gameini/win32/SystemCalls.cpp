#include "gameini/SystemCalls.h"

#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"
#include "gameini/win32/Handles.h"
#include "gameini/win32/SystemError.h"
#include "gameini/win32/WideText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace gameini {
namespace {

// Windows counts in 100 ns from 1601; the programs in ns from 1970.
int64_t Nanoseconds(LARGE_INTEGER time) {
    constexpr int64_t kFrom1601To1970 = 116'444'736'000'000'000;
    return (time.QuadPart - kFrom1601To1970) * 100;
}

// What fits one call: Windows counts a call's bytes in 32 bits.
DWORD Part(size_t size) {
    return static_cast<DWORD>(std::min<size_t>(size, INT_MAX));
}

} // namespace

int OpenToRead(const std::string& path) {
    // Shared for every purpose, so that another program may still replace
    // or remove the file meanwhile, as it may on Linux; a folder opens too,
    // so that it can be told from a file.
    const HANDLE handle = CreateFileW(WideText(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    return DescriptorOf(handle, _O_RDONLY);
}

int OpenStream(const std::string& path) {
    return OpenToRead(path); // Windows' reads of a pipe wait of themselves
}

int OpenToAppend(const std::string& path) {
    const HANDLE handle = CreateFileW(WideText(path).c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return DescriptorOf(handle, _O_WRONLY | _O_APPEND);
}

ssize_t ReadFrom(int fd, char* out, size_t size, uint64_t offset) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(HandleOf(fd), out, Part(size), &got, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF)
            return 0;
        errno = ErrnoOf(GetLastError());
        return -1;
    }
    return got;
}

ssize_t ReadNext(int fd, char* out, size_t size) {
    const ssize_t got = _read(fd, out, Part(size));
    // A folder opens, so that it can be told from a file; reading one fails
    // as on Linux, not with Windows' "invalid function".
    if (const auto status = got < 0 ? StatusOf(fd) : std::nullopt;
        status && status->kind == FileStatus::Kind::Folder)
        errno = EISDIR;
    return got;
}

ssize_t WriteNext(int fd, const char* bytes, size_t size) {
    return _write(fd, bytes, Part(size));
}

std::optional<FileStatus> StatusOf(int fd) {
    const HANDLE handle = HandleOf(fd);
    BY_HANDLE_FILE_INFORMATION identity;
    FILE_BASIC_INFO times;
    if (!GetFileInformationByHandle(handle, &identity) ||
        !GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof times)) {
        errno = ErrnoOf(GetLastError());
        return std::nullopt;
    }
    FileStatus status;
    const DWORD attributes = identity.dwFileAttributes;
    status.kind = GetFileType(handle) != FILE_TYPE_DISK       ? FileStatus::Kind::Other
                  : attributes & FILE_ATTRIBUTE_REPARSE_POINT ? FileStatus::Kind::Link
                  : attributes & FILE_ATTRIBUTE_DIRECTORY     ? FileStatus::Kind::Folder
                                                              : FileStatus::Kind::Regular;
    status.size = (static_cast<uint64_t>(identity.nFileSizeHigh) << 32) | identity.nFileSizeLow;
    status.device = identity.dwVolumeSerialNumber;
    status.file = (static_cast<uint64_t>(identity.nFileIndexHigh) << 32) | identity.nFileIndexLow;
    status.modified = Nanoseconds(times.LastWriteTime);
    status.changed = Nanoseconds(times.ChangeTime);
    status.links = identity.nNumberOfLinks;
    status.readOnly = attributes & FILE_ATTRIBUTE_READONLY;
    return status;
}

std::optional<FileStatus> StatusOf(const std::string& path) {
    const FileDescriptor file{OpenToRead(path)};
    if (file.Get() < 0)
        return std::nullopt;
    return StatusOf(file.Get());
}

bool IsSymbolicLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WideText(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string LinkText(const std::string& path) {
    const std::optional<std::string> real = RealPath(path);
    return real ? *real : "?";
}

std::optional<std::string> RealPath(const std::string& path) {
    const FileDescriptor file{OpenToRead(path)};
    if (file.Get() < 0)
        return std::nullopt; // errno says why
    std::wstring real(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(HandleOf(file.Get()), real.data(),
                                                       static_cast<DWORD>(real.size()), 0);
        if (length == 0) {
            errno = ErrnoOf(GetLastError());
            return std::nullopt;
        }
        const bool fits = length < real.size();
        real.resize(length);
        if (fits)
            break;
    }
    // "\\?\C:\..." or "\\?\UNC\server\...": the prefix is Windows' own.
    if (real.starts_with(L"\\\\?\\UNC\\"))
        real.replace(0, 8, L"\\\\");
    else if (real.starts_with(L"\\\\?\\"))
        real.erase(0, 4);
    return Utf8Text(real);
}

bool ExistsNotFollowingLinks(const std::string& path) {
    return GetFileAttributesW(WideText(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace gameini

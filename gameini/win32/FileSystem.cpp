#include "gameini/FileSystem.h"

#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/win32/Handles.h"
#include "gameini/win32/SystemError.h"
#include "gameini/win32/WideText.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace gameini {
namespace {

[[noreturn]] void ThrowWindowsError(const std::string& action) {
    ThrowSystemError(ErrnoOf(GetLastError()), action);
}

// A descriptor for the handle, or the error of the call that gave it.
FileDescriptor Owning(HANDLE handle, int flags, const std::string& action) {
    FileDescriptor file{DescriptorOf(handle, flags)};
    if (file.Get() < 0)
        ThrowSystemError(errno, action);
    return file;
}

// Opened to write, shared so that others may still read it, and so that it
// may be renamed or deleted while open, as on Linux.
HANDLE OpenToWrite(const std::string& path, DWORD disposition) {
    return CreateFileW(WideText(path).c_str(), GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// The lock is of one byte far past any configuration's end: Windows' locks
// keep others from reading what they cover, and the game must still read.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

} // namespace

FileDescriptor FileSystem::CreateFresh(const std::string& path) {
    const std::string action = "Cannot create " + path;
    HANDLE handle = OpenToWrite(path, CREATE_NEW);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
        // A file or link of the name goes first; a link is never followed.
        const DWORD attributes = GetFileAttributesW(WideText(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            DeleteFileW(WideText(path).c_str()))
            handle = OpenToWrite(path, CREATE_NEW);
        else
            SetLastError(ERROR_FILE_EXISTS);
    }
    return Owning(handle, _O_WRONLY, action);
}

void FileSystem::Write(const FileDescriptor& file, std::string_view bytes,
                       const std::string& path) {
    if (const int err = WriteAll(file.Get(), bytes))
        ThrowSystemError(err, "Cannot write " + path);
}

void FileSystem::Close(FileDescriptor file, const std::string& path) {
    if (_close(file.Release()) != 0)
        ThrowSystemError(errno, "Cannot write " + path);
}

void FileSystem::FlushNewFile(const std::string& path, const std::string&) {
    // The owner and the access list come from the configuration when the
    // file takes its place (ReplaceFileW).
    const FileDescriptor file =
        Owning(OpenToWrite(path, OPEN_EXISTING), _O_WRONLY, "Cannot flush " + path);
    if (!FlushFileBuffers(HandleOf(file.Get())))
        ThrowWindowsError("Cannot flush " + path + " to disk");
}

void FileSystem::Remove(const std::string& path) {
    if (!DeleteFileW(WideText(path).c_str()))
        ThrowWindowsError("Cannot delete " + path);
}

bool FileSystem::KernelRenameNoReplace(const std::string& from, const std::string& to) {
    if (MoveFileExW(WideText(from).c_str(), WideText(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    errno = ErrnoOf(GetLastError());
    return false;
}

void FileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
    if (!KernelRenameNoReplace(from, to))
        ThrowSystemError(errno, "Cannot rename " + from + " to " + to);
}

void FileSystem::Rename(const std::string& from, const std::string& to) {
    if (!MoveFileExW(WideText(from).c_str(), WideText(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ThrowWindowsError("Cannot rename " + from + " to " + to);
}

// A rename with MOVEFILE_WRITE_THROUGH is on disk when it returns; Windows
// has no folder to flush.
void FileSystem::FlushFolder(const std::string&) {}

bool FileSystem::KernelExchange(const std::string&, const std::string&) {
    errno = ENOTSUP;
    return false;
}

bool FileSystem::Exchange(const std::string& first, const std::string& second) {
    if (KernelExchange(first, second))
        return true;
    if (errno != EINVAL && errno != ENOTSUP)
        ThrowSystemError(errno, "Cannot swap " + first + " and " + second);
    return false;
}

bool FileSystem::ReplaceKeepingBackup(const std::string& replaced, const std::string& replacement,
                                      const std::string& backup) {
    const std::wstring replacedName = WideText(replaced), backupName = WideText(backup);
    if (ReplaceFileW(replacedName.c_str(), WideText(replacement).c_str(), backupName.c_str(),
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED)
        return false;
    const std::string action =
        "Cannot put " + replacement + " in place of " + replaced + ", moving that to " + backup;
    // The configuration went to the backup name, the new one stayed where it
    // was: the configuration goes back under its own name.
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 &&
        !MoveFileExW(backupName.c_str(), replacedName.c_str(), MOVEFILE_WRITE_THROUGH))
        ThrowSystemError(ErrnoOf(error), action + " (the previous configuration is kept as " +
                                             backup + ", the new one as " + replacement + ")");
    ThrowSystemError(ErrnoOf(error), action);
}

FileDescriptor FileSystem::OpenForOverwrite(const std::string& path) {
    return Owning(OpenToWrite(path, OPEN_EXISTING), _O_WRONLY,
                  "Cannot open " + path + " for writing");
}

void FileSystem::Reserve(const FileDescriptor& file, size_t length, const std::string& path) {
    FILE_ALLOCATION_INFO room;
    room.AllocationSize.QuadPart = static_cast<LONGLONG>(length);
    if (!SetFileInformationByHandle(HandleOf(file.Get()), FileAllocationInfo, &room, sizeof room) &&
        GetLastError() != ERROR_INVALID_PARAMETER && GetLastError() != ERROR_NOT_SUPPORTED)
        ThrowWindowsError("Cannot make room for " + path);
}

void FileSystem::FinishOverwrite(FileDescriptor file, size_t length, const std::string& path) {
    if (_chsize_s(file.Get(), static_cast<long long>(length)) != 0)
        ThrowSystemError(errno, "Cannot write " + path);
    if (!FlushFileBuffers(HandleOf(file.Get())))
        ThrowWindowsError("Cannot write " + path);
}

bool FileSystem::TryLock(const FileDescriptor& file, Access access, const std::string& path) {
    OVERLAPPED at = {};
    at.OffsetHigh = kLockOffsetHigh;
    const DWORD how =
        LOCKFILE_FAIL_IMMEDIATELY | (access == Access::Write ? LOCKFILE_EXCLUSIVE_LOCK : DWORD{0});
    if (LockFileEx(HandleOf(file.Get()), how, 0, 1, 0, &at))
        return true;
    if (GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_IO_PENDING)
        return false;
    ThrowWindowsError("Cannot lock " + path);
}

} // namespace gameini

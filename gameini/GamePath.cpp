#include "gameini/GamePath.h"

#include "gameini/Directory.h"
#include "gameini/FileDescriptor.h"
#include "gameini/TextCase.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace gameini {

std::string InFolder(std::string_view folder, std::string_view name) {
    return NativePath(std::string(folder) + "/" + std::string(name));
}

std::string NativePath(std::string_view path) {
    std::string collapsed;
    collapsed.reserve(path.size());
    for (char c : path) {
        if (c != '/' || collapsed.empty() || collapsed.back() != '/')
            collapsed += c;
    }
    return collapsed;
}

std::string FolderOf(std::string_view path) {
    std::string native = NativePath(path);
    size_t slash = native.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : native.substr(0, slash);
}

std::string NameOf(std::string_view path) {
    std::string native = NativePath(path);
    size_t slash = native.rfind('/');
    return slash == std::string::npos ? native : native.substr(slash + 1);
}

std::string AbsolutePath(std::string_view path) {
    std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    if (absolute.size() > 1 && absolute.ends_with('/'))
        absolute.pop_back();
    return absolute;
}

std::optional<std::string> RealPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&free)> real(realpath(path.c_str(), nullptr), &free);
    if (!real)
        return std::nullopt; // errno says why
    return std::string(real.get());
}

std::string RelativePath(std::string_view path, std::string_view folder) {
    return std::filesystem::path(path).lexically_relative(folder).string();
}

bool IsWithin(std::string_view path, std::string_view folder) {
    return folder == "/" || path == folder ||
           (path.starts_with(folder) && path[folder.size()] == '/');
}

bool ExistsNotFollowingLinks(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

ReadAccess ReadAccessOf(const std::string& path) {
    // Non-blocking, so that a FIFO under the name does not hold the caller.
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0)
        return errno == EACCES || errno == EPERM ? ReadAccess::Denied : ReadAccess::NoFile;
    struct stat info;
    return fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode) ? ReadAccess::Readable
                                                                  : ReadAccess::NoFile;
}

std::vector<std::string> CaseVariants(std::string_view path) {
    const std::string native = NativePath(path);
    const std::string wanted = LowerCase(NameOf(native));
    std::vector<std::string> variants;
    Directory folder(FolderOf(native));
    while (const char* entry = folder.Next()) {
        std::string_view name = entry;
        if (name.size() == wanted.size() && LowerCase(name) == wanted)
            variants.emplace_back(name);
    }
    std::sort(variants.begin(), variants.end());
    return variants;
}

std::string ResolvePath(std::string_view path) {
    const std::string native = NativePath(path);
    const std::string folder = FolderOf(native);
    const std::string wanted = LowerCase(NameOf(native));
    if (wanted == LowerCase(kSavedConfigurationName) &&
        ExistsNotFollowingLinks(InFolder(folder, kSavedConfigurationName)))
        return InFolder(folder, kSavedConfigurationName);
    if (ExistsNotFollowingLinks(native))
        return native;
    const std::vector<std::string> variants = CaseVariants(native);
    return variants.empty() ? native : InFolder(folder, variants.front());
}

} // namespace gameini

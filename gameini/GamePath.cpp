#include "gameini/GamePath.h"

#include "gameini/Directory.h"
#include "gameini/FileDescriptor.h"
#include "gameini/SystemCalls.h"
#include "gameini/TextCase.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace gameini {
namespace {

// Windows takes either slash and writes a backslash; a backslash is part
// of a name elsewhere.
#ifdef _WIN32
constexpr char kSeparator = '\\';
constexpr std::string_view kSeparators = "\\/";
#else
constexpr char kSeparator = '/';
constexpr std::string_view kSeparators = "/";
#endif

bool IsSeparator(char c) {
    return kSeparators.find(c) != std::string_view::npos;
}

std::filesystem::path PathOf(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

size_t RootLength(std::string_view path) {
    // A network path's root holds its share, which the standard library's
    // path leaves out.
    if (kSeparator == '\\' && path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        const size_t server = path.find_first_of(kSeparators, 2);
        const size_t share =
            server == std::string_view::npos ? server : path.find_first_of(kSeparators, server + 1);
        return share == std::string_view::npos ? path.size() : share + 1;
    }
    const std::filesystem::path native(std::u8string(path.begin(), path.end()));
    if (!native.has_root_directory())
        return 0;
    const std::u8string root = native.root_path().u8string();
    return root.size();
}

std::string InFolder(std::string_view folder, std::string_view name) {
    return NativePath(std::string(folder) + kSeparator + std::string(name));
}

std::string NativePath(std::string_view path) {
    std::string collapsed;
    collapsed.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        if (!IsSeparator(path[i]))
            collapsed += path[i];
        // A network path's two leading separators stay two on Windows.
        else if (collapsed.empty() || collapsed.back() != kSeparator ||
                 (kSeparator == '\\' && i == 1))
            collapsed += kSeparator;
    }
    return collapsed;
}

std::string FolderOf(std::string_view path) {
    const std::string native = NativePath(path);
    const size_t slash = native.find_last_of(kSeparators);
    if (slash == std::string::npos)
        return ".";
    return native.substr(0, std::max(slash, RootLength(native)));
}

std::string NameOf(std::string_view path) {
    const std::string native = NativePath(path);
    const size_t slash = native.find_last_of(kSeparators);
    return slash == std::string::npos ? native : native.substr(slash + 1);
}

std::string AbsolutePath(std::string_view path) {
    std::string absolute = Utf8Of(std::filesystem::absolute(PathOf(path)).lexically_normal());
    if (absolute.size() > RootLength(absolute) && IsSeparator(absolute.back()))
        absolute.pop_back();
    return absolute;
}

std::string RelativePath(std::string_view path, std::string_view folder) {
    return Utf8Of(PathOf(path).lexically_relative(PathOf(folder)));
}

bool IsWithin(std::string_view path, std::string_view folder) {
    // A root holds what starts with it: on Windows, its drive's paths.
    if (folder.size() == RootLength(folder))
        return path.starts_with(folder);
    return path == folder || (path.starts_with(folder) && IsSeparator(path[folder.size()]));
}

ReadAccess ReadAccessOf(const std::string& path) {
    // Non-blocking, so that a FIFO under the name does not hold the caller.
    const FileDescriptor file(OpenToRead(path));
    if (file.Get() < 0)
        return errno == EACCES || errno == EPERM ? ReadAccess::Denied : ReadAccess::NoFile;
    const std::optional<FileStatus> status = StatusOf(file.Get());
    return status && status->IsRegular() ? ReadAccess::Readable : ReadAccess::NoFile;
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
    // Where any letter case finds the file, only the folder tells its name.
    if (!kNamesIgnoreCase && wanted == LowerCase(kSavedConfigurationName) &&
        ExistsNotFollowingLinks(InFolder(folder, kSavedConfigurationName)))
        return InFolder(folder, kSavedConfigurationName);
    if (!kNamesIgnoreCase && ExistsNotFollowingLinks(native))
        return native;
    const std::vector<std::string> variants = CaseVariants(native);
    return variants.empty() ? native : InFolder(folder, variants.front());
}

} // namespace gameini

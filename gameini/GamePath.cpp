#include "GamePath.h"

#include "TextCase.h"

#include <dirent.h>
#include <optional>
#include <sys/stat.h>

namespace gameini {

std::string NativePath(std::string_view path) {
    std::string native(path);
    if (size_t backslash = native.rfind('\\'); backslash != std::string::npos)
        native[backslash] = '/';
    std::string collapsed;
    collapsed.reserve(native.size());
    for (char c : native) {
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

std::string ResolvePath(std::string_view path) {
    std::string native = NativePath(path);
    struct stat info;
    if (lstat(native.c_str(), &info) == 0)
        return native;

    std::string folder = FolderOf(native);
    std::string wanted = LowerCase(NameOf(native));
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return native;
    std::optional<std::string> found;
    while (const dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.size() == wanted.size() && LowerCase(name) == wanted && (!found || name < *found))
            found = name;
    }
    closedir(dir);
    if (!found)
        return native;
    return (folder == "/" ? folder : folder + "/") + *found;
}

} // namespace gameini

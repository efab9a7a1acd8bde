#include "gameini/GamePath.h"

#include "gameini/Directory.h"

#include "gameini/TextCase.h"

#include <algorithm>
#include <filesystem>
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
    return std::filesystem::absolute(path).lexically_normal().string();
}

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> CaseVariants(std::string_view path) {
    const std::string native = NativePath(path);
    const std::string wanted = LowerCase(NameOf(native));
    std::vector<std::string> variants;
    Directory folder(FolderOf(native));
    while (const dirent* entry = folder.Next()) {
        std::string_view name = entry->d_name;
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
        Exists(InFolder(folder, kSavedConfigurationName)))
        return InFolder(folder, kSavedConfigurationName);
    if (Exists(native))
        return native;
    const std::vector<std::string> variants = CaseVariants(native);
    return variants.empty() ? native : InFolder(folder, variants.front());
}

} // namespace gameini

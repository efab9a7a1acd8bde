#include "PackageSearch.h"

#include "GamePath.h"

#include <filesystem>
#include <sys/stat.h>

namespace {

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

} // namespace

PackageSearch::PackageSearch(const std::vector<std::string>& entries,
                             const std::string& configFolder)
    : followsEntries_(!entries.empty()) {
    const std::string base = std::filesystem::absolute(configFolder).lexically_normal().string();
    if (entries.empty())
        folders_.push_back({base, ".u"});
    for (const std::string& entry : entries) {
        const size_t last = entry.find_last_of("/\\");
        const std::string pattern = entry.substr(last == std::string::npos ? 0 : last + 1);
        Folder folder{entry.starts_with('/') ? "/" : base,
                      pattern.starts_with("*.") ? pattern.substr(1) : ""};
        if (folder.path.size() > 1 && folder.path.ends_with('/'))
            folder.path.pop_back();
        for (size_t start = 0; last != std::string::npos && start < last && !folder.path.empty();) {
            const size_t end = entry.find_first_of("/\\", start);
            const std::string part = entry.substr(start, end - start);
            start = end + 1;
            if (part.empty() || part == ".")
                continue;
            folder.path = part == ".." ? std::filesystem::path(folder.path).parent_path().string()
                                       : gameini::ResolvePath(folder.path + "\\" + part);
            if (!Exists(folder.path))
                folder.path.clear();
        }
        folders_.push_back(folder);
    }
}

std::vector<std::string> PackageSearch::FilesOf(std::string_view name) const {
    std::vector<std::string> files;
    for (const Folder& folder : folders_) {
        if (folder.path.empty() || folder.extension.empty())
            continue;
        const std::string file =
            gameini::ResolvePath(folder.path + "\\" + std::string(name) + folder.extension);
        if (Exists(file))
            files.push_back(file);
    }
    return files;
}

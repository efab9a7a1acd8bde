#include "locate/PackageSearch.h"

#include "gameini/Directory.h"
#include "gameini/GamePath.h"
#include "gameini/TextCase.h"

#include <algorithm>

namespace locate {

PackageSearch::PackageSearch(const std::vector<std::string>& entries,
                             const std::string& configFolder)
    : followsEntries_(!entries.empty()) {
    const std::string base = gameini::AbsolutePath(configFolder);
    if (entries.empty())
        folders_.push_back({base, ".u", {}, false});
    for (const std::string& entry : entries) {
        const size_t last = entry.find_last_of("/\\");
        const std::string pattern = entry.substr(last == std::string::npos ? 0 : last + 1);
        folders_.push_back(
            {last == std::string::npos ? base : GameFolder(entry.substr(0, last), base),
             pattern.starts_with("*.") ? pattern.substr(1) : "",
             {},
             false});
    }
}

std::string GameFolder(std::string_view folder, const std::string& base) {
    const size_t root = gameini::RootLength(folder);
    std::string path = root > 0 ? std::string(folder.substr(0, root)) : base;
    for (size_t start = root; start <= folder.size() && !path.empty();) {
        const size_t end = std::min(folder.find_first_of("/\\", start), folder.size());
        const std::string part(folder.substr(start, end - start));
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        path = part == ".." ? gameini::FolderOf(path)
                            : gameini::ResolvePath(gameini::InFolder(path, part));
        if (!gameini::ExistsNotFollowingLinks(path))
            path.clear();
    }
    return path;
}

std::vector<PackageSearch::Found> PackageSearch::Find(std::string_view name) const {
    std::vector<Found> found;
    for (const Folder& folder : folders_) {
        if (folder.path.empty() || folder.extension.empty())
            continue;
        List(folder);
        const std::string wanted = std::string(name) + folder.extension;
        const auto names = folder.files.find(gameini::LowerCase(wanted));
        if (names == folder.files.end())
            continue;
        const std::vector<std::string>& variants = names->second;
        const bool exact = std::find(variants.begin(), variants.end(), wanted) != variants.end();
        found.push_back(
            {gameini::InFolder(folder.path, exact ? wanted : variants.front()), variants});
    }
    return found;
}

void PackageSearch::List(const Folder& folder) {
    if (folder.listed)
        return;
    folder.listed = true;
    const std::string extension = gameini::LowerCase(folder.extension);
    gameini::Directory dir(folder.path);
    while (const char* entry = dir.Next()) {
        const std::string lower = gameini::LowerCase(entry);
        if (lower.ends_with(extension) && dir.KindOfLast() != gameini::EntryKind::Folder)
            folder.files[lower].emplace_back(entry);
    }
    for (auto& [lower, names] : folder.files)
        std::sort(names.begin(), names.end());
}

std::vector<std::string> PackageSearch::FilesWithExtension(std::string_view extension) const {
    std::vector<std::string> files;
    std::string wanted = gameini::LowerCase(extension);
    wanted.insert(wanted.begin(), '.');
    for (const Folder& folder : folders_) {
        if (folder.path.empty() || gameini::LowerCase(folder.extension) != wanted)
            continue;
        List(folder);
        for (const auto& [lower, names] : folder.files)
            files.push_back(gameini::InFolder(folder.path, names.front()));
    }
    return files;
}

std::vector<std::string> PackageSearch::FilesOf(std::string_view name) const {
    std::vector<std::string> files;
    for (Found& found : Find(name))
        files.push_back(std::move(found.path));
    return files;
}

} // namespace locate

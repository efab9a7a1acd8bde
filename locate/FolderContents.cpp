#include "locate/FolderContents.h"
#include "gameini/Directory.h"
#include "gameini/PackageNames.h"

#include "gameini/ConfigurationContents.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/TextCase.h"

#include <algorithm>
#include <cerrno>

namespace locate {

namespace {

void SortForDisplay(std::vector<std::string>& names) {
    std::vector<std::pair<std::string, std::string>> keyed; // lower-case form, name
    keyed.reserve(names.size());
    for (std::string& name : names)
        keyed.emplace_back(gameini::LowerCase(name), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 0; i < keyed.size(); ++i)
        names[i] = std::move(keyed[i].second);
}

} // namespace

std::shared_ptr<const FolderListing> ReadFolder(const std::string& folder) {
    gameini::Directory dir(folder);
    if (!dir.IsOpen())
        gameini::ThrowSystemError(errno, "Cannot list the folder " + folder);
    auto listing = std::make_shared<FolderListing>();
    while (const char* entry = dir.Next()) {
        const std::string_view name = entry;
        const gameini::EntryKind kind = dir.KindOfLast();
        if (kind == gameini::EntryKind::Folder)
            listing->subfolders.emplace_back(name);
        else if (kind == gameini::EntryKind::File && name[0] != '.' &&
                 gameini::IsPackageFileName(name))
            listing->packageFiles.emplace_back(name);
    }
    SortForDisplay(listing->packageFiles);
    SortForDisplay(listing->subfolders);
    return listing;
}

std::vector<std::string> FolderChain(const std::string& folder) {
    std::vector<std::string> chain{gameini::NativePath(folder)};
    for (std::string parent = gameini::FolderOf(chain.back()); parent != chain.back();
         parent = gameini::FolderOf(chain.back()))
        chain.push_back(parent);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

} // namespace locate

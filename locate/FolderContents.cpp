#include "locate/FolderContents.h"
#include "gameini/Directory.h"
#include "gameini/PackageNames.h"

#include "gameini/Error.h"
#include "gameini/ServerPackages.h"
#include "gameini/TextCase.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace locate {

namespace {

unsigned char TypeOf(const std::string& folder, const dirent& entry) {
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return entry.d_type;
    struct stat info; // follows links: a link to a file lists as a file
    if (stat((folder + "/" + entry.d_name).c_str(), &info) != 0)
        return DT_UNKNOWN;
    return S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
}

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
    while (const dirent* entry = dir.Next()) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = TypeOf(folder, *entry);
        if (type == DT_DIR)
            listing->subfolders.emplace_back(name);
        else if (type == DT_REG && name[0] != '.' && gameini::IsPackageFileName(name))
            listing->packageFiles.emplace_back(name);
    }
    SortForDisplay(listing->packageFiles);
    SortForDisplay(listing->subfolders);
    return listing;
}

std::vector<std::string> FolderChain(const std::string& folder) {
    std::vector<std::string> chain{"/"};
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (part.size() > 1 && part != chain.back())
            chain.push_back(part);
        if (slash == std::string::npos)
            break;
    }
    return chain;
}

} // namespace locate

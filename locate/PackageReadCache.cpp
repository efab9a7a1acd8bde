#include "locate/PackageReadCache.h"

namespace locate {

const gameini::PackageRead& PackageReadCache::Read(const std::string& path) {
    auto found = read_.find(path);
    if (found == read_.end())
        found = read_.emplace(path, gameini::ReadPackageFile(path)).first;
    return found->second;
}

} // namespace locate

#include "FolderContents.h"

#include "Error.h"
#include "TextCase.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace {

enum class Kind { File, Folder };

bool IsKind(const std::string& folder, const dirent& entry, Kind kind) {
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN || type == DT_LNK) {
        struct stat info;
        if (stat((folder + "/" + entry.d_name).c_str(), &info) != 0)
            return false;
        type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
    }
    return type == (kind == Kind::File ? DT_REG : DT_DIR);
}

template <typename Wanted>
std::vector<std::string> ListFolder(const std::string& folder, Kind kind, Wanted wanted) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir)
        gameini::ThrowSystemError(errno, "Cannot list the folder " + folder);
    std::vector<std::pair<std::string, std::string>> found; // lower-case form, name
    while (const dirent* entry = readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name != "." && name != ".." && wanted(name) && IsKind(folder, *entry, kind))
            found.emplace_back(gameini::LowerCase(name), std::move(name));
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    names.reserve(found.size());
    for (auto& [lower, name] : found)
        names.push_back(std::move(name));
    return names;
}

} // namespace

std::vector<std::string> ListPackageFiles(const std::string& folder) {
    return ListFolder(folder, Kind::File, [](const std::string& name) {
        return name.size() > 2 && name[0] != '.' &&
               gameini::LowerCase(name.substr(name.size() - 2)) == ".u";
    });
}

std::vector<std::string> ListSubfolders(const std::string& folder) {
    return ListFolder(folder, Kind::Folder, [](const std::string&) { return true; });
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

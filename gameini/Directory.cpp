#include "gameini/Directory.h"

#include "gameini/GamePath.h"

#include <string_view>
#include <sys/stat.h>

namespace gameini {

const dirent* Directory::Next() {
    while (const dirent* entry = dir_ ? readdir(dir_) : nullptr) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            return entry;
    }
    return nullptr;
}

EntryKind Directory::KindOf(const dirent& entry) const {
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN || type == DT_LNK) {
        struct stat info; // follows links: a link to a file counts as a file
        if (stat(InFolder(path_, entry.d_name).c_str(), &info) != 0)
            return EntryKind::Other;
        type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
    }
    return type == DT_REG ? EntryKind::File : type == DT_DIR ? EntryKind::Folder : EntryKind::Other;
}

} // namespace gameini

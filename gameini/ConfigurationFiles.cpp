#include "gameini/ConfigurationFiles.h"

#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/TextCase.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace gameini {
namespace {

// The final target of a symbolic link, or FileError when it leads nowhere.
std::string FollowLink(const std::string& link) {
    if (std::optional<std::string> target = RealPath(link))
        return *target;
    const int err = errno;
    char text[PATH_MAX];
    const ssize_t length = readlink(link.c_str(), text, sizeof text - 1);
    const std::string to = length > 0 ? std::string(text, static_cast<size_t>(length)) : "?";
    ThrowSystemError(err, "Cannot follow the symbolic link " + link + " to " + to);
}

// A mount point as /proc/self/mountinfo writes it: blanks, tabs, line feeds
// and backslashes stand as three octal digits behind a backslash.
std::string Unescaped(const std::string& field) {
    auto octal = [&](size_t at) {
        return at < field.size() && field[at] >= '0' && field[at] <= '7';
    };
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            text += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// Whether /proc/self/mountinfo lists the file, by its real path, as a mount
// point.
bool IsMountPoint(const std::string& path) {
    const std::optional<std::string> real = RealPath(path);
    std::ifstream mounts("/proc/self/mountinfo");
    for (std::string line; real && std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        if (fields >> id >> parent >> device >> root >> mountPoint &&
            Unescaped(mountPoint) == *real)
            return true;
    }
    return false;
}

} // namespace

ConfigurationFiles ConfigurationFilesOf(std::string_view folder, std::string_view name,
                                        Lookup lookup) {
    std::string config = ResolvePath(InFolder(folder, name));
    struct stat info;
    const bool linked = lstat(config.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
    if (linked)
        config = FollowLink(config);
    const std::string found = NameOf(config);
    auto in = [&](std::string_view file) { return InFolder(FolderOf(config), file); };
    const bool gameName = LowerCase(found) == kConfigurationName;
    ConfigurationFiles files;
    files.config = config;
    files.work = in(gameName ? std::string(kWorkFileName) : found + ".new");
    files.backup = in(gameName ? std::string(kBackupName) : found + ".old");
    files.saved = gameName && !linked ? in(kSavedConfigurationName) : config;
    files.unfinished = files.backup + ".new";
    files.linked = linked;
    if (lookup == Lookup::ForSaving) {
        files.work = ResolvePath(files.work);
        files.mounted = IsMountPoint(config);
    }
    return files;
}

void RefuseCaseVariants(const ConfigurationFiles& files) {
    const std::vector<std::string> variants = CaseVariants(files.config);
    if (variants.size() < 2)
        return;
    std::string names;
    for (size_t i = 0; i < variants.size(); ++i)
        names += (i == 0 ? "" : i + 1 == variants.size() ? " and " : ", ") + variants[i];
    throw ConfigurationError("Two configuration files differ only in letter case: " + names +
                             ". Remove or rename the one the game does not use, then save "
                             "again.");
}

} // namespace gameini

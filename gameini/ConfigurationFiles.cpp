#include "gameini/ConfigurationFiles.h"

#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/MountTable.h"
#include "gameini/SystemCalls.h"
#include "gameini/TextCase.h"

#include <cerrno>
#include <vector>

namespace gameini {
namespace {

// The final target of a symbolic link, or FileError when it leads nowhere.
std::string FollowLink(const std::string& link) {
    if (std::optional<std::string> target = RealPath(link))
        return *target;
    const int err = errno;
    ThrowSystemError(err, "Cannot follow the symbolic link " + link + " to " + LinkText(link));
}

// The file's path inside its own file system, as a bind mount of it names
// it: the mount it is under, by the longest mount point, and the rest.
std::optional<std::string> PathInFileSystem(const std::string& real, uint64_t device,
                                            const std::vector<Mount>& table) {
    const Mount* under = nullptr;
    for (const Mount& mount : table) {
        const std::string& point = mount.mountPoint;
        const bool holds =
            point == "/" || real == point || (real.starts_with(point) && real[point.size()] == '/');
        if (mount.device == device && holds && (!under || point.size() >= under->mountPoint.size()))
            under = &mount;
    }
    if (!under)
        return std::nullopt;
    const std::string rest =
        under->mountPoint == "/" ? real : real.substr(under->mountPoint.size());
    return (under->root == "/" ? "" : under->root) + rest;
}

InPlace InPlaceOf(const std::string& config) {
    const std::optional<std::string> real = RealPath(config);
    const std::optional<FileStatus> status = real ? StatusOf(*real) : std::nullopt;
    if (!status)
        return InPlace::No;
    const std::vector<std::vector<Mount>> tables = VisibleMountTables();
    for (const Mount& mount : tables.front())
        if (mount.mountPoint == *real)
            return InPlace::MountPoint;
    if (status->links > 1)
        return InPlace::HardLinked;
    const std::optional<std::string> inside =
        PathInFileSystem(*real, status->device, tables.front());
    for (const std::vector<Mount>& table : tables)
        for (const Mount& mount : table)
            if (inside && mount.device == status->device && mount.root == *inside)
                return InPlace::MountSource;
    return InPlace::No;
}

} // namespace

ConfigurationFiles ConfigurationFilesOf(std::string_view folder, std::string_view name,
                                        Lookup lookup) {
    std::string config = ResolvePath(InFolder(folder, name));
    const bool linked = IsSymbolicLink(config);
    if (linked)
        config = FollowLink(config);
    const std::string found = NameOf(config);
    auto in = [&](std::string_view file) { return InFolder(FolderOf(config), file); };
    const bool gameName = LowerCase(found) == kConfigurationName;
    ConfigurationFiles files;
    files.config = config;
    files.work = in(gameName ? std::string(kWorkFileName) : found + ".new");
    files.backup = in(gameName ? std::string(kBackupName) : found + ".old");
    files.saved = gameName && !linked && !kNamesIgnoreCase ? in(kSavedConfigurationName) : config;
    files.unfinished = files.backup + ".new";
    files.linked = linked;
    if (lookup == Lookup::ForSaving) {
        files.work = ResolvePath(files.work);
        files.inPlace = InPlaceOf(config);
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

std::string ConfigurationFiles::BackupAsKnown(const std::string& path) const {
    return linked || path.empty() ? path : NameOf(path);
}

} // namespace gameini

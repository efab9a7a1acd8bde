#include "window/qt/DriveEntries.h"

#include "locate/Postal2Installs.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <set>

namespace window {

namespace {

const std::string kVolumePrefix = "volume:";

// Mounts the user never wants to look into for a game.
bool IsSystemMount(const QString& mountPoint) {
    for (const char* hidden :
         {"/proc", "/sys", "/dev", "/run", "/snap", "/var/lib/docker", "/boot/efi"}) {
        QString prefix = QString::fromLatin1(hidden);
        if (mountPoint == prefix || mountPoint.startsWith(prefix + '/'))
            return !mountPoint.startsWith(QStringLiteral("/run/media/"));
    }
    return false;
}

bool IsRealVolume(const Volume& volume) {
    return volume.mountPoint == QStringLiteral("/") ||
           (volume.device.startsWith("/dev/") && !IsSystemMount(volume.mountPoint));
}

bool Holds(const QString& mountPoint, const QString& folder) {
    return mountPoint == QStringLiteral("/") || folder == mountPoint ||
           folder.startsWith(mountPoint + '/');
}

QString VolumeText(const Volume& volume) {
    return volume.label.isEmpty() ? volume.mountPoint
                                  : volume.mountPoint + QStringLiteral("  [") + volume.label + ']';
}

} // namespace

std::vector<Volume> MountedVolumes() {
    std::vector<Volume> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady())
            volumes.push_back({volume.rootPath(), volume.name(), QString(volume.device())});
    return volumes;
}

std::string VolumeDesignation(const std::string& mountPoint) {
    return kVolumePrefix + mountPoint;
}

std::optional<std::string> MountPointOf(const std::string& designation) {
    if (!designation.starts_with(kVolumePrefix))
        return std::nullopt;
    return designation.substr(kVolumePrefix.size());
}

std::vector<DriveEntry> DriveEntries(const std::vector<Volume>& volumes,
                                     const std::string& startFolder, const std::string& home) {
    std::vector<Volume> seen; // by this process, as folders
    for (const Volume& volume : volumes)
        if (QFileInfo(volume.mountPoint).isDir())
            seen.push_back(volume);
    std::sort(seen.begin(), seen.end(),
              [](const Volume& a, const Volume& b) { return a.mountPoint < b.mountPoint; });
    // The start folder's volume: the deepest mount point holding it, even
    // where it is no usual one; the root where none does.
    const QString start = QString::fromStdString(startFolder);
    const Volume* holding = nullptr;
    for (const Volume& volume : seen)
        if (Holds(volume.mountPoint, start) &&
            (!holding || volume.mountPoint.size() > holding->mountPoint.size()))
            holding = &volume;
    const Volume root{QStringLiteral("/"), {}, {}};

    std::vector<DriveEntry> entries;
    std::set<QString> listed;
    auto add = [&](const Volume& volume) {
        if (listed.insert(volume.mountPoint).second)
            entries.push_back({VolumeText(volume),
                               VolumeDesignation(volume.mountPoint.toStdString()),
                               volume.mountPoint});
    };
    for (const Volume& volume : seen)
        if (IsRealVolume(volume) || &volume == holding)
            add(volume);
    if (!holding)
        add(root);
    for (const locate::Postal2Install& install :
         locate::FindPostal2Installs(home, qEnvironmentVariable("WINEPREFIX").toStdString()))
        entries.push_back({QString::fromStdString(install.label), install.systemFolder,
                           QString::fromStdString(install.systemFolder)});
    return entries;
}

} // namespace window

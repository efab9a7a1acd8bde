#include "DriveListBox.h"

#include "Postal2Installs.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <set>

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

bool IsRealVolume(const QStorageInfo& volume) {
    if (!volume.isValid() || !volume.isReady() || !QFileInfo(volume.rootPath()).isDir())
        return false;
    if (volume.rootPath() == QStringLiteral("/"))
        return true;
    return volume.device().startsWith("/dev/") && !IsSystemMount(volume.rootPath());
}

QString VolumeText(const QStorageInfo& volume) {
    QString label = volume.name();
    return label.isEmpty() ? volume.rootPath()
                           : volume.rootPath() + QStringLiteral("  [") + label + ']';
}

} // namespace

std::string VolumeDesignation(const std::string& mountPoint) {
    return kVolumePrefix + mountPoint;
}

std::optional<std::string> MountPointOf(const std::string& designation) {
    if (!designation.starts_with(kVolumePrefix))
        return std::nullopt;
    return designation.substr(kVolumePrefix.size());
}

std::vector<DriveEntry> DriveEntries(const std::string& startFolder, const std::string& home) {
    std::vector<DriveEntry> entries;
    std::set<QString> mountPoints;
    auto addVolume = [&](const QStorageInfo& volume) {
        if (mountPoints.insert(volume.rootPath()).second)
            entries.push_back(
                {VolumeText(volume), VolumeDesignation(volume.rootPath().toStdString())});
    };
    QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    std::sort(volumes.begin(), volumes.end(), [](const QStorageInfo& a, const QStorageInfo& b) {
        return a.rootPath() < b.rootPath();
    });
    for (const QStorageInfo& volume : volumes)
        if (IsRealVolume(volume))
            addVolume(volume);
    // The start folder's volume is offered even where it is no usual one.
    addVolume(QStorageInfo(QString::fromStdString(startFolder)));
    for (const Postal2Install& install : FindPostal2Installs(home))
        entries.push_back({QString::fromStdString(install.label), install.systemFolder});
    return entries;
}

DriveListBox::DriveListBox(const std::vector<DriveEntry>& entries, const std::string& startFolder,
                           QWidget* parent)
    : QComboBox(parent) {
    for (const DriveEntry& entry : entries)
        addItem(entry.shown, QByteArray::fromStdString(entry.designation));
    QString startVolume = QStorageInfo(QString::fromStdString(startFolder)).rootPath();
    setCurrentIndex(
        findData(QByteArray::fromStdString(VolumeDesignation(startVolume.toStdString()))));
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (onChange)
            onChange();
    });
}

std::string DriveListBox::Drive() const {
    return currentData().toByteArray().toStdString();
}

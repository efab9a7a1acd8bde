#include "DriveListBox.h"

#include "Postal2Installs.h"

#include <QAbstractItemView>
#include <QFileInfo>
#include <QScreen>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QStylePainter>
#include <filesystem>
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
            entries.push_back({VolumeText(volume),
                               VolumeDesignation(volume.rootPath().toStdString()),
                               volume.rootPath()});
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
        entries.push_back({QString::fromStdString(install.label), install.systemFolder,
                           QString::fromStdString(install.systemFolder)});
    return entries;
}

DriveListBox::DriveListBox(const std::vector<DriveEntry>& entries, const std::string& startFolder,
                           QWidget* parent)
    : QComboBox(parent) {
    for (const DriveEntry& entry : entries) {
        addItem(entry.shown, QByteArray::fromStdString(entry.designation));
        setItemData(count() - 1, entry.path, Qt::ToolTipRole);
    }
    setCurrentIndex(-1); // the first entry added became current
    ShowFolder(startFolder);
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (onChange)
            onChange();
    });
}

std::string DriveListBox::Drive() const {
    return currentData().toByteArray().toStdString();
}

void DriveListBox::ShowFolder(const std::string& folder) {
    if (Holds(currentIndex(), folder))
        return;
    // The installation whose folders these are, else the folder's volume.
    int shown = -1;
    for (int i = 0; i < count() && shown < 0; ++i)
        if (!MountPointOf(itemData(i).toByteArray().toStdString()) && Holds(i, folder))
            shown = i;
    if (shown < 0) {
        const QString volume = QStorageInfo(QString::fromStdString(folder)).rootPath();
        shown = findData(QByteArray::fromStdString(VolumeDesignation(volume.toStdString())));
    }
    QSignalBlocker quiet(this);
    setCurrentIndex(shown);
}

bool DriveListBox::Holds(int index, const std::string& folder) const {
    if (index < 0)
        return false;
    const std::string designation = itemData(index).toByteArray().toStdString();
    if (std::optional<std::string> mountPoint = MountPointOf(designation))
        return QStorageInfo(QString::fromStdString(folder)).rootPath().toStdString() == *mountPoint;
    // An installation holds the folders of its game folder, around its System.
    const std::string game = std::filesystem::path(designation).parent_path().string();
    return folder == game || folder.starts_with(game + "/");
}

void DriveListBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect text =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, text.width());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void DriveListBox::showPopup() {
    int widest = std::max(width(), view()->sizeHintForColumn(0) + 2 * view()->frameWidth() +
                                       style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    if (QScreen* shown = screen())
        widest = std::min(widest, shown->availableGeometry().width());
    view()->setMinimumWidth(widest);
    QComboBox::showPopup();
}

#include "window/qt/MainWindow.h"

#include "window/Layout.h"
#include "window/qt/DriveListBox.h"
#include "window/qt/FileListBox.h"
#include "window/qt/FolderListBox.h"
#include "window/qt/PackageListBox.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <map>
#include <string_view>

// Outside any namespace, as Qt asks: the resource lives in a static library.
static void LoadResources() {
    Q_INIT_RESOURCE(sarvelin);
}

namespace window {

namespace {

// The headings' font: the designed one whenever it is installed, else a
// metric-alike, else the default shrunk until both headings fit their boxes'
// widths. A tall font may clip a descender by a pixel or two, as the designed
// window does.
QFont HeadingFont(const std::vector<std::pair<QString, QSize>>& headings) {
    auto fits = [&](const QFont& font) {
        QFontMetrics metrics(font);
        for (const auto& [text, box] : headings)
            if (metrics.horizontalAdvance(text) > box.width())
                return false;
        return true;
    };
    QFont font;
    font.setPointSizeF(kHeadingPointSize);
    font.setWeight(QFont::Normal);
    const QStringList installed = QFontDatabase::families();
    for (const char* family : {kHeadingFont, kHeadingFontAlike}) {
        QFont candidate = font;
        candidate.setFamily(QString::fromLatin1(family));
        if (installed.contains(candidate.family()))
            return candidate;
    }
    while (!fits(font) && font.pointSizeF() > 6)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    return font;
}

} // namespace

// Puts each control where the layout says, in its tab order.
void MainWindow::LayOut(const std::map<std::string_view, QWidget*>& controls) {
    QWidget* previousInFocus = nullptr;
    for (const ControlLayout& layout : kControlLayouts) {
        QWidget* control = controls.at(layout.name);
        control->setObjectName(QString::fromLatin1(layout.name));
        control->setGeometry(TwipsToPixels(layout.left), TwipsToPixels(layout.top),
                             TwipsToPixels(layout.width), TwipsToPixels(layout.height));
        if (control->focusPolicy() == Qt::NoFocus)
            continue;
        if (previousInFocus)
            setTabOrder(previousInFocus, control);
        previousInFocus = control;
    }
}

MainWindow::MainWindow(const std::string& startFolder, const std::string& home,
                       const std::vector<Volume>& volumes)
    : messageBox_(this), guard_(messageBox_) {
    LoadResources();
    setWindowTitle(QStringLiteral("Sarvelin"));
    setWindowIcon(QIcon(QStringLiteral(":/sarvelin.png")));

    auto* label1 = new QLabel(QStringLiteral("Postal 2 Server Packages"), this);
    auto* label2 = new QLabel(QStringLiteral("P2 System Folder"), this);
    lbServerPackages_ = new PackageListBox(this);
    dirP2SysFolder_ = new FolderListBox(startFolder, guard_, listings_, this);
    fbUFiles_ = new FileListBox(listings_, this); // listed by Form_Load, which runs at once
    driveP2Drive_ = new DriveListBox(DriveEntries(volumes, dirP2SysFolder_->Path(), home),
                                     dirP2SysFolder_->Path(), this);
    cbSave_ = new QPushButton(QStringLiteral("Save"), this);
    cbRevert_ = new QPushButton(QStringLiteral("Revert"), this);

    const std::map<std::string_view, QWidget*> controls = {{"Label1", label1},
                                                           {"Label2", label2},
                                                           {"lbServerPackages", lbServerPackages_},
                                                           {"dirP2SysFolder", dirP2SysFolder_},
                                                           {"fbUFiles", fbUFiles_},
                                                           {"driveP2Drive", driveP2Drive_},
                                                           {"cbSave", cbSave_},
                                                           {"cbRevert", cbRevert_}};
    LayOut(controls);
    // Named after their headings, so a screen reader tells the lists apart.
    driveP2Drive_->setAccessibleName(QStringLiteral("P2 System Folder: drives"));
    dirP2SysFolder_->setAccessibleName(QStringLiteral("P2 System Folder: folders"));
    fbUFiles_->setAccessibleName(QStringLiteral("P2 System Folder: package files"));
    lbServerPackages_->setAccessibleName(label1->text());
    const QFont headingFont =
        HeadingFont({{label1->text(), label1->size()}, {label2->text(), label2->size()}});
    label1->setFont(headingFont);
    label2->setFont(headingFont);
    for (QPushButton* button : {cbSave_, cbRevert_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setFixedSize(TwipsToPixels(kClientWidthTwips), TwipsToPixels(kClientHeightTwips));

    form_ = std::make_unique<frmMain>(*driveP2Drive_, *dirP2SysFolder_, *fbUFiles_,
                                      *lbServerPackages_, messageBox_);
    driveP2Drive_->onChange = [this] { guard_.Run([this] { form_->driveP2Drive_Change(); }); };
    dirP2SysFolder_->onChange = [this] {
        guard_.Run([this] { form_->dirP2SysFolder_Change(); });
        driveP2Drive_->ShowFolder(dirP2SysFolder_->Path());
    };
    connect(cbRevert_, &QPushButton::clicked, this,
            [this] { guard_.Run([this] { form_->cbRevert_Click(); }); });
    connect(cbSave_, &QPushButton::clicked, this,
            [this] { guard_.Run([this] { form_->cbSave_Click(); }); });

    lbServerPackages_->setFocus();
    guard_.Run([this] { form_->Form_Load(); });
}

MainWindow::~MainWindow() = default;

} // namespace window

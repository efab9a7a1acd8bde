#include "MainWindow.h"

#include "DriveListBox.h"
#include "FileListBox.h"
#include "FolderListBox.h"
#include "Layout.h"
#include "PackageListBox.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>

namespace {

QFont HeadingFont() {
    QFont font;
    for (const char* family : {kHeadingFont, kHeadingFontAlike}) {
        if (QFontDatabase::families().contains(QString::fromLatin1(family))) {
            font.setFamily(QString::fromLatin1(family));
            break;
        }
    }
    font.setPointSizeF(kHeadingPointSize);
    font.setWeight(QFont::Normal);
    return font;
}

QLabel* Heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(HeadingFont());
    return label;
}

} // namespace

MainWindow::MainWindow(const std::string& startFolder, const std::string& home)
    : messageBox_(this), guard_(messageBox_) {
    setWindowTitle(QStringLiteral("Sarvelin"));
    setWindowIcon(QIcon(QStringLiteral(":/sarvelin.png")));

    QLabel* label1 = Heading(QStringLiteral("Postal 2 Server Packages"), this);
    QLabel* label2 = Heading(QStringLiteral("P2 System Folder"), this);
    lbServerPackages_ = new PackageListBox(this);
    dirP2SysFolder_ = new FolderListBox(startFolder, guard_, this);
    fbUFiles_ = new FileListBox(this);
    fbUFiles_->SetPath(dirP2SysFolder_->Path());
    driveP2Drive_ = new DriveListBox(DriveEntries(dirP2SysFolder_->Path(), home), dirP2SysFolder_->Path(), this);
    cbSave_ = new QPushButton(QStringLiteral("Save"), this);
    cbRevert_ = new QPushButton(QStringLiteral("Revert"), this);

    QWidget* const controls[] = {label1,         label2,         lbServerPackages_, dirP2SysFolder_,
                                 fbUFiles_,      driveP2Drive_,  cbSave_,           cbRevert_};
    for (size_t i = 0; i < std::size(controls); ++i) {
        const ControlLayout& layout = kControlLayouts[i];
        controls[i]->setObjectName(QString::fromLatin1(layout.name));
        controls[i]->setGeometry(TwipsToPixels(layout.left), TwipsToPixels(layout.top),
                                 TwipsToPixels(layout.width), TwipsToPixels(layout.height));
        if (i > 2)
            setTabOrder(controls[i - 1], controls[i]);
    }
    for (QPushButton* button : {cbSave_, cbRevert_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setFixedSize(TwipsToPixels(kClientWidthTwips), TwipsToPixels(kClientHeightTwips));

    form_ = std::make_unique<frmMain>(*driveP2Drive_, *dirP2SysFolder_, *fbUFiles_,
                                      *lbServerPackages_, messageBox_);
    driveP2Drive_->onChange = [this] { guard_.Run([this] { form_->driveP2Drive_Change(); }); };
    dirP2SysFolder_->onChange = [this] { guard_.Run([this] { form_->dirP2SysFolder_Change(); }); };
    connect(cbRevert_, &QPushButton::clicked, this, [this] { guard_.Run([this] { form_->cbRevert_Click(); }); });
    connect(cbSave_, &QPushButton::clicked, this, [this] { guard_.Run([this] { form_->cbSave_Click(); }); });

    lbServerPackages_->setFocus();
    guard_.Run([this] { form_->Form_Load(); });
}

MainWindow::~MainWindow() = default;

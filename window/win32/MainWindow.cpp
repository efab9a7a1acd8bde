#include "window/win32/MainWindow.h"

#include "gameini/win32/WideText.h"
#include "window/Layout.h"

#include <commctrl.h>
#include <cstring>
#include <stdexcept>

namespace window {

namespace {

// The controls of the layout, by their place in kControlLayouts.
enum Control { kLabel1, kLabel2, kPackages, kFolders, kFiles, kDrives, kSave, kRevert };

struct ControlKind {
    const wchar_t* windowClass;
    const wchar_t* text;
    DWORD style;
};
constexpr ControlKind kKinds[] = {
    {L"STATIC", L"Postal 2 Server Packages", SS_LEFT},
    {L"STATIC", L"P2 System Folder", SS_LEFT},
    {WC_LISTVIEWW, L"",
     LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP},
    {L"LISTBOX", L"",
     LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_BORDER | WS_TABSTOP},
    {L"LISTBOX", L"", LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
    {L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {L"BUTTON", L"Save", BS_PUSHBUTTON | WS_TABSTOP},
    {L"BUTTON", L"Revert", BS_PUSHBUTTON | WS_TABSTOP},
};
static_assert(std::size(kKinds) == std::size(kControlLayouts));

constexpr const wchar_t* kClassName = L"SarvelinMainWindow";
// Clear of IDOK and IDCANCEL, which Enter and Escape send: neither button is
// the default or the cancel button.
constexpr int kFirstControlId = 100;

// Twips to this screen's pixels: 15 twips a pixel at 96 dpi.
int Scaled(int twips, int dpi) {
    return MulDiv(TwipsToPixels(twips), dpi, 96);
}

HFONT MessageFont(int dpi) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                               static_cast<UINT>(dpi));
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

HFONT HeadingFont(int dpi) {
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(static_cast<int>(kHeadingPointSize * 100), dpi, 72 * 100);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    const std::wstring family = gameini::WideText(kHeadingFont);
    wcsncpy(font.lfFaceName, family.c_str(), LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

} // namespace

void Win32MessageBox::Show(const std::string& text) {
    MessageBoxW(owner, gameini::WideText(text).c_str(), L"Sarvelin", MB_OK | MB_ICONINFORMATION);
}

MainWindow::MainWindow(HINSTANCE instance, const std::string& startFolder,
                       const std::string& home) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    const int dpi = static_cast<int>(GetDpiForSystem());
    RECT frame = {0, 0, Scaled(kClientWidthTwips, dpi), Scaled(kClientHeightTwips, dpi)};
    AdjustWindowRectExForDpi(&frame, style, FALSE, 0, static_cast<UINT>(dpi));
    window_ = CreateWindowExW(0, kClassName, L"Sarvelin", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              instance, this);
    if (!window_)
        throw std::runtime_error("Cannot open the window");
    messageBox_.owner = window_;
    CreateControls(instance, startFolder, home);
}

void MainWindow::CreateControls(HINSTANCE instance, const std::string& startFolder,
                                const std::string& home) {
    // In the tab order, each heading just before its list, whose name a
    // screen reader takes from it.
    for (const Control i : {kLabel1, kPackages, kLabel2, kFolders, kFiles, kDrives, kSave, kRevert})
        controls_[i] = CreateWindowExW(
            0, kKinds[i].windowClass, kKinds[i].text, WS_CHILD | WS_VISIBLE | kKinds[i].style, 0, 0,
            0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)),
            instance, nullptr);
    lbServerPackages_ = std::make_unique<PackageList>(controls_[kPackages]);
    Place(static_cast<int>(GetDpiForWindow(window_)));
    dirP2SysFolder_ = std::make_unique<FolderList>(controls_[kFolders], startFolder, listings_);
    fbUFiles_ = std::make_unique<FileList>(controls_[kFiles], listings_);
    driveP2Drive_ = std::make_unique<DriveCombo>(controls_[kDrives], home);
    driveP2Drive_->ShowFolder(dirP2SysFolder_->Path());
    form_ = std::make_unique<frmMain>(*driveP2Drive_, *dirP2SysFolder_, *fbUFiles_,
                                      *lbServerPackages_, messageBox_);
    dirP2SysFolder_->onChange = [this] {
        guard_.Run([this] { form_->dirP2SysFolder_Change(); });
        driveP2Drive_->ShowFolder(dirP2SysFolder_->Path());
    };
    SetFocus(controls_[kPackages]);
    guard_.Run([this] { form_->Form_Load(); });
}

void MainWindow::Place(int dpi) {
    DeleteObject(headingFont_);
    DeleteObject(font_);
    headingFont_ = HeadingFont(dpi);
    font_ = MessageFont(dpi);
    for (size_t i = 0; i < std::size(kControlLayouts); ++i) {
        const ControlLayout& at = kControlLayouts[i];
        // A drop-down's height is its list's, opened.
        const int height = Scaled(at.height, dpi) * (i == kDrives ? 8 : 1);
        SetWindowPos(controls_[i], nullptr, Scaled(at.left, dpi), Scaled(at.top, dpi),
                     Scaled(at.width, dpi), height, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(controls_[i], WM_SETFONT,
                     reinterpret_cast<WPARAM>(i <= kLabel2 ? headingFont_ : font_), TRUE);
    }
    ListView_SetColumnWidth(controls_[kPackages], 0, LVSCW_AUTOSIZE_USEHEADER);
}

MainWindow::~MainWindow() {
    if (window_)
        DestroyWindow(window_);
    DeleteObject(headingFont_);
    DeleteObject(font_);
}

int MainWindow::Run() {
    ShowWindow(window_, SW_SHOWNORMAL);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Enter on the folder list opens the folder, as a double-click does.
        if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
            message.hwnd == controls_[kFolders]) {
            guard_.Run([this] { dirP2SysFolder_->OpenSelected(); });
            continue;
        }
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

void MainWindow::Command(int id, int code) {
    switch (id - kFirstControlId) {
    case kDrives:
        if (code == CBN_SELCHANGE)
            guard_.Run([this] { form_->driveP2Drive_Change(); });
        break;
    case kFolders:
        if (code == LBN_DBLCLK)
            guard_.Run([this] { dirP2SysFolder_->OpenSelected(); });
        break;
    case kSave:
        if (code == BN_CLICKED)
            guard_.Run([this] { form_->cbSave_Click(); });
        break;
    case kRevert:
        if (code == BN_CLICKED)
            guard_.Run([this] { form_->cbRevert_Click(); });
        break;
    }
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams));
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_COMMAND:
        if (self && self->form_)
            self->Command(LOWORD(w), HIWORD(w));
        return 0;
    case WM_DPICHANGED: { // moved to a screen of another density
        const RECT* frame = reinterpret_cast<const RECT*>(l);
        SetWindowPos(window, nullptr, frame->left, frame->top, frame->right - frame->left,
                     frame->bottom - frame->top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (self && self->form_)
            self->Place(HIWORD(w));
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

} // namespace window

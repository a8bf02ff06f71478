#include "app/About.h"

#include <stdexcept>

#include "app/Resource.h"
#include "ui/Dpi.h"

namespace vantrel {

namespace {

constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr int kWidth = 344, kHeight = 144;

constexpr wchar_t kMakerText[] =
    L"\u00A9 2026 Vantrel Software, written by the Desktop Vantrel team\r\n"
    L"Web: https://vantrel.example.org\r\n"
    L"E-mail: support@vantrel.example.org\r\n"
    L"Idea: every new desktop file deserves a folder of its own";

// Where things are, at 96 DPI.
constexpr RECT kLogo = {6, 6, 6 + 86, 6 + 86};
constexpr RECT kTitle = {100, 8, 340, 30};
constexpr RECT kVersion = {100, 32, 340, 48};
constexpr RECT kLogFile = {100, 50, 100 + 242, 50 + 47};
constexpr RECT kMemo = {14, 92, 338, 142};

RECT Scaled(const RECT& r, UINT dpi) {
    return {ui::Scale(r.left, dpi), ui::Scale(r.top, dpi), ui::Scale(r.right, dpi), ui::Scale(r.bottom, dpi)};
}

}  // namespace

HBRUSH TMakerMemo::OnReflectedColor(HDC dc) {
    SetTextColor(dc, kNavy);
    SetBkColor(dc, kTeal);
    return background;
}

TAboutForm::TAboutForm(HWND owner, const std::wstring& logFileName) : logFileLabel_(L"Log file: " + logFileName) {
    dpi_ = ui::WindowDpi(owner);
    int w = ui::Scale(kWidth, dpi_), h = ui::Scale(kHeight, dpi_);
    ui::WindowArgs args;
    args.className = kAboutWindowClass;
    args.caption = L"About Desktop Vantrel";
    args.style = WS_POPUP;
    args.exStyle = WS_EX_TOOLWINDOW;
    args.owner = owner;
    args.x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    args.y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    args.width = w;
    args.height = h;
    args.background = nullptr;
    if (!Create(args)) throw std::runtime_error("The About box could not be created.");

    teal_.reset(CreateSolidBrush(kTeal));
    titleFont_ = ui::CreatePixelFont(L"Tahoma", 16, dpi_, true);
    versionFont_ = ui::CreatePixelFont(L"Tahoma", 11, dpi_);
    smallFont_ = ui::CreatePixelFont(L"Tahoma", 9, dpi_);
    logo_.reset(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0));
    memo_.background = static_cast<HBRUSH>(teal_.get());
    memo_.Create(Handle(), 0, WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0);
    memo_.SetText(kMakerText);
    SendMessageW(memo_.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(smallFont_.get()), FALSE);
    Layout();
}

TAboutForm::~TAboutForm() {
    Destroy();
}

void TAboutForm::Layout() {
    RECT m = Scaled(kMemo, dpi_);
    MoveWindow(memo_.Handle(), m.left, m.top, m.right - m.left, m.bottom - m.top, FALSE);
    // Rounded corners: the window is only the teal shape.
    int w = ui::Scale(kWidth, dpi_), h = ui::Scale(kHeight, dpi_), r = ui::Scale(24, dpi_);
    unique_hgdiobj region(CreateRoundRectRgn(0, 0, w + 1, h + 1, r, r));
    // The window owns the region once it took it.
    if (SetWindowRgn(Handle(), static_cast<HRGN>(region.get()), TRUE)) (void)region.release();
}

LRESULT TAboutForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            Close();  // a click anywhere on the box but the maker's text
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_SHOWWINDOW:
            if (wParam) SetFocus(Handle());
            return Default(msg, wParam, lParam);
        default:
            return Default(msg, wParam, lParam);
    }
}

bool TAboutForm::PreviewMessage(MSG& msg) {
    // Key preview: Esc closes the box whichever of its parts has the focus.
    bool ours = msg.hwnd == Handle() || GetParent(msg.hwnd) == Handle();
    if (ours && msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        Close();
        return true;
    }
    return false;
}

void TAboutForm::Paint() {
    ui::TPaintDC paint(Handle());
    HDC dc = paint.get();
    RECT client;
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, static_cast<HBRUSH>(teal_.get()));
    if (logo_) PaintLogo(dc);

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kNavy);
    auto text = [&](const std::wstring& s, HGDIOBJ font, const RECT& at, UINT flags) {
        ui::TSelectObject useFont(dc, font);
        RECT r = Scaled(at, dpi_);
        DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &r, flags | DT_NOPREFIX);
    };
    text(L"Desktop Vantrel", titleFont_.get(), kTitle, DT_SINGLELINE);
    text(kVersionText, versionFont_.get(), kVersion, DT_SINGLELINE);
    text(logFileLabel_, smallFont_.get(), kLogFile, DT_WORDBREAK | DT_EDITCONTROL);
}

void TAboutForm::PaintLogo(HDC dc) {
    BITMAP bm = {};
    GetObjectW(logo_.get(), sizeof(bm), &bm);
    unique_hdc mem(CreateCompatibleDC(dc));
    ui::TSelectObject useLogo(mem.get(), logo_.get());
    RECT l = Scaled(kLogo, dpi_);
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, l.left, l.top, l.right - l.left, l.bottom - l.top, mem.get(), 0, 0, bm.bmWidth, bm.bmHeight,
               SRCCOPY);
}

}  // namespace vantrel

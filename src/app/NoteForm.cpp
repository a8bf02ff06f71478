// TNoteForm. Places and sizes are pixels at 96 DPI, scaled for the DPI of the monitor the form is
// on (the toolkit's WindowDpi, so the whole program scales alike).
#include "app/NoteForm.h"

#include <algorithm>
#include <cwchar>
#include <mutex>
#include <stdexcept>

#include "app/MemoKeys.h"
#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "ui/Gdi.h"

namespace vantrel {
namespace {

constexpr const wchar_t* kCaption = L"Quick Note";
constexpr const wchar_t* kFontFace = L"Tahoma";
constexpr int kFontPoints = 8;
constexpr int kClientWidth = 344;
constexpr int kClientHeight = 225;

#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

// Control ids; the three buttons carry their modal results as ids, so IDOK and IDCANCEL from the
// keyboard navigation (Enter, Escape) land on the right result by themselves.
constexpr int kOKButton = IDOK;          // 1
constexpr int kCancelButton = IDCANCEL;  // 2
constexpr int kAbortButton = IDABORT;    // 3
constexpr int kLabel1 = 100;
constexpr int kLabel2 = 101;
constexpr int kNoteMemo = 102;
constexpr int kFileNameEdit = 103;

struct ControlSpec {
    int id;
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle;
    const wchar_t* text;
    int left, top, width, height;  // pixels at 96 DPI
    bool fitText = false;          // a label: widened when its text needs more room in this font
};

// In tab order: the keyboard navigation follows the order the controls are made in.
constexpr ControlSpec kControls[] = {
    {kNoteMemo, L"EDIT", WS_TABSTOP | WS_GROUP | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL,
     WS_EX_CLIENTEDGE, L"[Description here]", 3, 54, 340, 140},
    {kFileNameEdit, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, L"", 55, 8, 285, 21},
    {kOKButton, L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, L"&OK", 40, 200, 75, 25},
    {kCancelButton, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, L"&Don't save note", 121, 200, 96, 25},
    {kAbortButton, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, L"&Abort", 223, 200, 75, 25},
    {kLabel1, L"STATIC", SS_LEFTNOWORDWRAP, 0, L"File name:", 3, 8, 49, 13, true},
    {kLabel2, L"STATIC", SS_LEFTNOWORDWRAP, 0, L"Description:", 3, 35, 57, 13, true},
};

// A fixed dialog border, a caption and a close box, no resizing frame.
constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME;

// The window size that gives the client area width x height, from the frame the window has now
// (the frame follows the window's real DPI, which an override of the layout DPI does not change).
SIZE WindowSizeForClient(HWND window, int width, int height) {
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    return SIZE{width + (outer.right - outer.left) - client.right, height + (outer.bottom - outer.top) - client.bottom};
}

// The labels are sized for Tahoma; where another face stands in for it, a label grows rather than
// cut its text.
int TextWidth(HWND control, HGDIOBJ font, const wchar_t* text) {
    ui::TWindowDC dc(control);
    if (!dc.get()) return 0;
    ui::TSelectObject select(dc.get(), font);
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text, static_cast<int>(wcslen(text)), &size);
    return size.cx;
}

// One form is built at a time: the first registers the window class, which two threads must not
// both try at once, and Wine's text shaping can crash when two threads create edit controls in
// the same instant.
std::mutex building;

}  // namespace

TNoteForm::TNoteForm(const std::wstring& fileName, bool fileNameEnabled) {
    answer_.FileName = fileName;
    std::lock_guard<std::mutex> lock(building);
    ui::WindowArgs args;
    args.className = kNoteWindowClass;
    args.caption = kCaption;
    args.style = kFormStyle;
    args.exStyle = kFormExStyle;
    // Any size with room for a client area, so the frame can be measured; LayOut sets the real one.
    args.x = 0;
    args.y = 0;
    args.width = kClientWidth;
    args.height = kClientHeight;
    if (!Create(args)) throw std::runtime_error("The note form could not be created.");
    CreateControls(fileName, fileNameEnabled);
    // The window starts centred on the desktop, on the same monitor as the desktop's centre.
    LayOut(ui::WindowDpi(Handle()), true, 0, 0);
}

TNoteForm::~TNoteForm() {
    Destroy();
}

void TNoteForm::CreateControls(const std::wstring& fileName, bool fileNameEnabled) {
    for (const ControlSpec& c : kControls)
        Control(c.id).CreateControl(Handle(), c.windowClass, c.text, c.style | WS_VISIBLE, static_cast<UINT>(c.id),
                                    c.exStyle);
    // A long pasted note is taken whole, not cut at the edit control's default 30,000 characters.
    noteMemo_.SetLimit(0);
    fileNameEdit_.SetText(fileName);
    fileNameEdit_.SetEnabled(fileNameEnabled);
}

ui::TWindow& TNoteForm::Control(int id) {
    switch (id) {
        case kNoteMemo:
            return noteMemo_;
        case kFileNameEdit:
            return fileNameEdit_;
        case kOKButton:
            return okButton_;
        case kCancelButton:
            return cancelButton_;
        case kAbortButton:
            return abortButton_;
        case kLabel1:
            return fileNameLabel_;
        default:
            return descriptionLabel_;
    }
}

// Sizes the client area, places and sizes every control and sets the font, all for dpi.
// The window goes to (left, top), or is centred on the desktop when centre is set.
void TNoteForm::LayOut(UINT dpi, bool centre, int left, int top) {
    // Eight points in pixels at dpi; the toolkit's font helper scales from 96 DPI, so it gets them
    // as they are.
    unique_hgdiobj font = ui::CreatePixelFont(kFontFace, MulDiv(kFontPoints, static_cast<int>(dpi), 72), 96);
    for (const ControlSpec& c : kControls) {
        const ui::TWindow& control = Control(c.id);
        control.Place(c.left, c.top, c.width, c.height, dpi);
        if (c.fitText && font) {
            const int needed = TextWidth(control.Handle(), font.get(), c.text);
            if (needed > ui::Scale(c.width, dpi))
                SetWindowPos(control.Handle(), nullptr, 0, 0, needed, ui::Scale(c.height, dpi),
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (font) {
        ui::SetFontOfChildren(Handle(), static_cast<HFONT>(font.get()));
        font_ = std::move(font);
    }

    const SIZE size = WindowSizeForClient(Handle(), ui::Scale(kClientWidth, dpi), ui::Scale(kClientHeight, dpi));
    if (centre) {
        RECT desktop{};
        GetWindowRect(GetDesktopWindow(), &desktop);
        left = desktop.left + (desktop.right - desktop.left - size.cx) / 2;
        top = desktop.top + (desktop.bottom - desktop.top - size.cy) / 2;
    }
    SetWindowPos(Handle(), nullptr, left, top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(Handle(), nullptr, TRUE);
}

int TNoteForm::RunModal() {
    SetModalResult(ui::kModalNone);
    // The platform may refuse the foreground; the form then simply appears without the focus.
    SetForegroundWindow(Handle());
    ShowWindow(Handle(), SW_SHOWNORMAL);
    FocusControl(noteMemo_.Handle());
    // A loop of the form's own rather than the toolkit's modal loop: that one goes through the
    // application object, whose message filter and keyboard navigation serve the main thread.
    MSG msg;
    while (ModalResult() == ui::kModalNone && Handle()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // the thread's own loop ends too
            break;
        }
        if (got < 0) break;
        if (PreviewMessage(msg) || IsDialogMessageW(Handle(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return ModalResult();
}

void TNoteForm::Finish(int modalResult) {
    // The first way out wins; later clicks or keys still queued change nothing.
    if (ModalResult() != ui::kModalNone) return;
    answer_.ModalResult = modalResult;
    answer_.FileName = fileNameEdit_.Text();
    answer_.Text = noteMemo_.Text();
    SetModalResult(modalResult);
}

// Escape closes the form as "&Don't save note" does, whichever control has the focus.
bool TNoteForm::FormKeyDown(WPARAM key) {
    if (key != VK_ESCAPE) return false;
    Finish(kCancelButton);
    return true;
}

bool TNoteForm::NoteMemoKeyDown(WPARAM key) {
    return SelectAllOnCtrlA(noteMemo_.Handle(), key);
}

bool TNoteForm::PreviewMessage(MSG& msg) {
    if (msg.message != WM_KEYDOWN || !Handle() || (msg.hwnd != Handle() && !IsChild(Handle(), msg.hwnd))) return false;
    if (FormKeyDown(msg.wParam)) return true;
    return msg.hwnd == noteMemo_.Handle() && NoteMemoKeyDown(msg.wParam);
}

void TNoteForm::FocusControl(HWND control) {
    if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
    SetFocus(control);
}

// Deactivated, the form remembers which control had the focus; activated, it gives it back.
LRESULT TNoteForm::OnActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(Handle(), focus)) focus_ = focus;
        return 0;
    }
    if (HWND control = FocusTarget()) SetFocus(control);
    return 0;
}

HWND TNoteForm::FocusTarget() {
    if (!focus_ || !IsWindow(focus_)) focus_ = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    return focus_;
}

// The keyboard navigation's request for the next control (the note's own Tab comes this way):
// wParam names the control when the low word of lParam is set, else it asks for the previous one.
LRESULT TNoteForm::OnNextControl(WPARAM wParam, LPARAM lParam) {
    HWND next = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                               : GetNextDlgTabItem(Handle(), GetFocus(), wParam != 0 ? TRUE : FALSE);
    if (next) FocusControl(next);
    return 0;
}

LRESULT TNoteForm::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    // The suggested rectangle carries the frame at the new DPI; the client size is ours.
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut(LOWORD(wParam), false, suggested->left, suggested->top);
    return 0;
}

LRESULT TNoteForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kOKButton:
                case kCancelButton:
                case kAbortButton:
                    Finish(LOWORD(wParam));
                    return 0;
                default:
                    return Default(msg, wParam, lParam);
            }
        case WM_CLOSE:
            Finish(kCancelButton);
            return 0;
        case DM_GETDEFID:
            return MAKELRESULT(kOKButton, DC_HASDEFID);
        case WM_NEXTDLGCTL:
            return OnNextControl(wParam, lParam);
        case WM_ACTIVATE:
            return OnActivate(wParam);
        case WM_SETFOCUS:
            // The form itself has nothing to type into: the focus goes on to its control.
            if (HWND control = FocusTarget()) FocusControl(control);
            return 0;
        case WM_DPICHANGED:
            return OnDpiChanged(wParam, lParam);
        default:
            return Default(msg, wParam, lParam);
    }
}

NoteAnswer ShowNoteForm(const std::wstring& fileName, bool fileNameEnabled) {
    try {
        TNoteForm form(fileName, fileNameEnabled);
        if (form.RunModal() != ui::kModalNone) return form.Answer();
    } catch (const std::exception&) {
    }
    // A form that could not be shown, or whose loop ended without an answer, counts as closed
    // without a note: the batch goes on as usual.
    return NoteAnswer{kNoteSkip, fileName, L""};
}

}  // namespace vantrel

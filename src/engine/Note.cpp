// TNoteForm: the "Quick Note" dialog a move batch shows before it moves anything.
//
// The dialog lives on the batch's own thread and runs its own modal loop there
// (DialogBoxIndirectParamW, no owner). A modal dialog disables only its owner, and it has none,
// so the main window, whose messages the main thread pumps, and the note dialogs of other batches,
// each pumped by its own batch thread, stay usable; no dialog waits for another, and the batch
// simply blocks in the call until its user answers. Nothing of the dialog is shared between
// threads: its state lives on the calling thread's stack.
//
// Places and sizes are pixels at 96 DPI, scaled for the DPI of the monitor the dialog is on (the
// toolkit's WindowDpi, so the whole program scales alike); the in-memory template only creates the
// controls in tab order, they are laid out in WM_INITDIALOG.
#include "engine/Note.h"

#include <windows.h>

#include "ui/Dpi.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <vector>

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

// Control ids; the three buttons carry their modal results as ids, so IDOK, IDCANCEL and IDABORT
// from the dialog manager (Enter, Escape, the close box) land on the right result by themselves.
constexpr int kOKButton = IDOK;          // 1
constexpr int kCancelButton = IDCANCEL;  // 2
constexpr int kAbortButton = IDABORT;    // 3
constexpr int kLabel1 = 100;
constexpr int kLabel2 = 101;
constexpr int kNoteMemo = 102;
constexpr int kFileNameEdit = 103;

// Atoms of the predefined window classes in a dialog template.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

struct ControlSpec {
    int id;
    WORD windowClass;
    DWORD style;
    DWORD exStyle;
    const wchar_t* text;
    int left, top, width, height;  // pixels at 96 DPI
    bool fitText = false;          // a label: widened when its text needs more room in this font
};

// In tab order: the dialog manager's tab order is the template's order.
constexpr ControlSpec kControls[] = {
    {kNoteMemo, kEditClass, WS_TABSTOP | WS_GROUP | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL,
     WS_EX_CLIENTEDGE, L"[Description here]", 3, 54, 340, 140},
    {kFileNameEdit, kEditClass, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, L"", 55, 8, 285, 21},
    {kOKButton, kButtonClass, WS_TABSTOP | BS_DEFPUSHBUTTON, 0, L"&OK", 40, 200, 75, 25},
    {kCancelButton, kButtonClass, WS_TABSTOP | BS_PUSHBUTTON, 0, L"&Don't save note", 121, 200, 96, 25},
    {kAbortButton, kButtonClass, WS_TABSTOP | BS_PUSHBUTTON, 0, L"&Abort", 223, 200, 75, 25},
    {kLabel1, kStaticClass, SS_LEFTNOWORDWRAP, 0, L"File name:", 3, 8, 49, 13, true},
    {kLabel2, kStaticClass, SS_LEFTNOWORDWRAP, 0, L"Description:", 3, 35, 57, 13, true},
};

// Fixed dialog border (DS_MODALFRAME), caption and close box, no resizing frame.
constexpr DWORD kDialogStyle = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

// Builds the in-memory DLGTEMPLATE: header, then one DWORD-aligned DLGITEMTEMPLATE per control.
class DialogTemplate {
  public:
    DialogTemplate() {
        AddDword(kDialogStyle);
        AddDword(0);  // extended style
        Add(static_cast<WORD>(std::size(kControls)));
        AddRect(0, 0, 0, 0);  // laid out in pixels when the window exists
        Add(0);               // no menu
        Add(0);               // the predefined dialog class
        AddString(kCaption);
        Add(static_cast<WORD>(kFontPoints));
        AddString(kFontFace);
        for (const ControlSpec& c : kControls) {
            Align();
            AddDword(c.style | WS_CHILD | WS_VISIBLE);
            AddDword(c.exStyle);
            AddRect(0, 0, 0, 0);
            Add(static_cast<WORD>(c.id));
            Add(0xFFFF);
            Add(c.windowClass);
            AddString(c.text);
            Add(0);  // no creation data
        }
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    void Add(WORD w) { words_.push_back(w); }
    void AddDword(DWORD d) {
        Add(LOWORD(d));
        Add(HIWORD(d));
    }
    void AddRect(short x, short y, short cx, short cy) {
        for (short v : {x, y, cx, cy})
            Add(static_cast<WORD>(v));
    }
    void AddString(const wchar_t* s) {
        for (; *s; ++s)
            Add(static_cast<WORD>(*s));
        Add(0);
    }
    // DWORD alignment relative to the start of the template; a vector of WORDs starts DWORD-aligned.
    void Align() {
        if (words_.size() % 2 != 0) Add(0);
    }

    std::vector<WORD> words_;
};

// Newer user32 functions, looked up at run time so the program still starts on Windows 7.
template <typename Fn>
Fn User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC proc = user32 ? GetProcAddress(user32, name) : nullptr;
    // Through void(*)() so the compiler accepts the cast between function pointer types.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

// The window size that gives the client area width x height, from the frame the window has now
// (the frame follows the window's real DPI, which an override of the layout DPI does not change).
SIZE WindowSizeForClient(HWND window, int width, int height) {
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    return SIZE{width + (outer.right - outer.left) - client.right, height + (outer.bottom - outer.top) - client.bottom};
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

// The labels are sized for Tahoma; where another face stands in for it, a label grows rather than
// cut its text.
int TextWidth(HWND control, HFONT font, const wchar_t* text) {
    HDC dc = GetDC(control);
    if (!dc) return 0;
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

struct NoteForm {
    const std::wstring* fileName = nullptr;
    bool fileNameEnabled = false;
    HWND dialog = nullptr;
    HFONT font = nullptr;  // Tahoma 8 pt at the dialog's current DPI; freed by ShowNoteForm
    bool closing = false;  // the first way out wins; later clicks or keys still queued change nothing
    NoteAnswer answer;
};

// The form on this thread whose modal loop is running; the key preview hook looks here.
thread_local NoteForm* activeForm = nullptr;

// Sizes the client area, places and sizes every control and sets the font, all for dpi.
// The window goes to (left, top), or is centred on the desktop when centre is set.
void LayOut(NoteForm& form, UINT dpi, bool centre, int left, int top) {
    HWND dlg = form.dialog;
    HFONT font = CreateFontW(-MulDiv(kFontPoints, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, kFontFace);
    for (const ControlSpec& c : kControls) {
        HWND control = GetDlgItem(dlg, c.id);
        int width = ui::Scale(c.width, dpi);
        if (c.fitText && font) width = std::max(width, TextWidth(control, font, c.text));
        SetWindowPos(control, nullptr, ui::Scale(c.left, dpi), ui::Scale(c.top, dpi), width, ui::Scale(c.height, dpi),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    if (font) {
        if (form.font) DeleteObject(form.font);
        form.font = font;
    }

    const SIZE size = WindowSizeForClient(dlg, ui::Scale(kClientWidth, dpi), ui::Scale(kClientHeight, dpi));
    const int width = size.cx;
    const int height = size.cy;
    if (centre) {
        RECT desktop{};
        GetWindowRect(GetDesktopWindow(), &desktop);
        left = desktop.left + (desktop.right - desktop.left - width) / 2;
        top = desktop.top + (desktop.bottom - desktop.top - height) / 2;
    }
    SetWindowPos(dlg, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(dlg, nullptr, TRUE);
}

void Finish(NoteForm& form, int modalResult) {
    if (form.closing) return;
    form.closing = true;
    form.answer.ModalResult = modalResult;
    form.answer.FileName = WindowText(GetDlgItem(form.dialog, kFileNameEdit));
    form.answer.Text = WindowText(GetDlgItem(form.dialog, kNoteMemo));
    EndDialog(form.dialog, modalResult);
}

// Escape closes the dialog as "&Don't save note" does, whichever control has the focus.
bool FormKeyDown(NoteForm& form, WPARAM key) {
    if (key != VK_ESCAPE) return false;
    Finish(form, kCancelButton);
    return true;
}

// Ctrl+A selects the whole note.
bool NoteMemoKeyDown(NoteForm& form, WPARAM key) {
    if (key != 'A' || GetKeyState(VK_CONTROL) >= 0) return false;
    SendMessageW(GetDlgItem(form.dialog, kNoteMemo), EM_SETSEL, 0, -1);
    return true;
}

// Key preview: the dialog's modal loop hands every message to the thread's message filter
// before the dialog manager or the focused control sees it.
LRESULT CALLBACK KeyPreview(int code, WPARAM wParam, LPARAM lParam) {
    NoteForm* form = activeForm;
    if (code == MSGF_DIALOGBOX && form && form->dialog) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == WM_KEYDOWN && (msg->hwnd == form->dialog || IsChild(form->dialog, msg->hwnd))) {
            if (FormKeyDown(*form, msg->wParam)) return 1;
            if (msg->hwnd == GetDlgItem(form->dialog, kNoteMemo) && NoteMemoKeyDown(*form, msg->wParam)) return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void FormCreate(NoteForm& form, HWND dlg) {
    form.dialog = dlg;
    SetWindowLongPtrW(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(&form));

    // The layout follows the monitor's DPI here, not the dialog manager's automatic rescaling.
    using SetDialogDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
    static const auto setDpiBehavior = User32Function<SetDialogDpiChangeBehaviorFn>("SetDialogDpiChangeBehavior");
    if (setDpiBehavior) {
        constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
        setDpiBehavior(dlg, kDisableAll, kDisableAll);
    }

    // A long pasted note is taken whole, not cut at the edit control's default 30,000 characters.
    SendDlgItemMessageW(dlg, kNoteMemo, EM_SETLIMITTEXT, 0, 0);
    SetDlgItemTextW(dlg, kFileNameEdit, form.fileName->c_str());
    EnableWindow(GetDlgItem(dlg, kFileNameEdit), form.fileNameEnabled ? TRUE : FALSE);

    // The window starts at the desktop's origin, on the same monitor as the desktop's centre.
    LayOut(form, ui::WindowDpi(dlg), true, 0, 0);

    // The window is not shown yet; the platform may refuse the foreground, and then the dialog
    // simply appears without the focus.
    SetForegroundWindow(dlg);
}

INT_PTR CALLBACK NoteDialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        FormCreate(*reinterpret_cast<NoteForm*>(lParam), dlg);
        return TRUE;  // the focus goes to the first tab stop, the note
    }
    auto* form = reinterpret_cast<NoteForm*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (!form) return FALSE;
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kOKButton:
                case kCancelButton:
                case kAbortButton:
                    Finish(*form, LOWORD(wParam));
                    return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            Finish(*form, kCancelButton);
            return TRUE;
        case WM_DPICHANGED: {
            // The suggested rectangle carries the frame at the new DPI; the client size is ours.
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(dlg, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            LayOut(*form, LOWORD(wParam), false, suggested->left, suggested->top);
            return TRUE;
        }
    }
    return FALSE;
}

}  // namespace

NoteAnswer ShowNoteForm(const std::wstring& fileName, bool fileNameEnabled) {
    NoteForm form;
    form.fileName = &fileName;
    form.fileNameEnabled = fileNameEnabled;
    form.answer.FileName = fileName;

    NoteForm* outer = activeForm;
    activeForm = &form;
    HHOOK hook = SetWindowsHookExW(WH_MSGFILTER, KeyPreview, nullptr, GetCurrentThreadId());

    static const DialogTemplate dialogTemplate;
    const INT_PTR shown = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate.Get(), nullptr,
                                                  NoteDialogProc, reinterpret_cast<LPARAM>(&form));

    if (hook) UnhookWindowsHookEx(hook);
    activeForm = outer;
    if (form.font) DeleteObject(form.font);

    // A dialog that could not be shown counts as closed without a note: the batch goes on as usual.
    if (shown <= 0) return NoteAnswer{kNoteSkip, fileName, L""};
    return form.answer;
}

}  // namespace vantrel

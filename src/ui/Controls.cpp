#include "ui/Controls.h"

#include <commctrl.h>

#include <cerrno>
#include <climits>
#include <cwchar>
#include <vector>

#include "ui/Dpi.h"

namespace vantrel::ui {

HWND CreateControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, UINT id, DWORD exStyle) {
    return CreateWindowExW(exStyle, className, text, WS_CHILD | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

bool RegisterClassOnce(const wchar_t* className, WNDPROC proc, HBRUSH background, HICON icon) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(instance, className, &wc)) return true;
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) != 0;
}

HWND CreateGroupBox(HWND parent, const wchar_t* caption) {
    return CreateControl(parent, WC_BUTTONW, caption, WS_VISIBLE | BS_GROUPBOX);
}

HWND CreateLabel(HWND parent, const wchar_t* caption, DWORD style) {
    return CreateControl(parent, WC_STATICW, caption, WS_VISIBLE | style);
}

HWND CreateEdit(HWND parent, UINT id) {
    return CreateControl(parent, WC_EDITW, L"", kTabStop | ES_AUTOHSCROLL, id, WS_EX_CLIENTEDGE);
}

HWND CreateListBox(HWND parent, UINT id) {
    return CreateControl(parent, WC_LISTBOXW, L"",
                         kTabStop | WS_VSCROLL | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, id,
                         WS_EX_CLIENTEDGE);
}

// --- control objects ---

namespace {

constexpr wchar_t kControlProperty[] = L"VantrelControl";

}  // namespace

TControl::~TControl() {
    if (hwnd_ && IsWindow(hwnd_) && GetPropW(hwnd_, kControlProperty) == this) RemovePropW(hwnd_, kControlProperty);
}

HWND TControl::Attach(HWND control) {
    hwnd_ = control;
    if (control) SetPropW(control, kControlProperty, this);
    return control;
}

TControl* TControl::FromHandle(HWND control) {
    return control ? static_cast<TControl*>(GetPropW(control, kControlProperty)) : nullptr;
}

bool TControl::Reflect(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_COMMAND && lParam) {
        TControl* control = FromHandle(reinterpret_cast<HWND>(lParam));
        if (!control) return false;
        control->OnCommand(HIWORD(wParam));
        result = 0;
        return true;
    }
    if (msg == WM_NOTIFY && lParam) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        TControl* control = FromHandle(header->hwndFrom);
        return control && control->OnNotify(header, result);
    }
    return false;
}

HWND TButton::Create(HWND parent, const wchar_t* caption, DWORD style, UINT id) {
    return Attach(CreateControl(parent, WC_BUTTONW, caption, style, id));
}

void TButton::OnCommand(UINT code) {
    if (code == BN_CLICKED && onClick) onClick();
}

HWND TTabControl::Create(HWND parent, UINT id, std::initializer_list<const wchar_t*> titles) {
    HWND tabs = Attach(CreateControl(parent, WC_TABCONTROLW, L"", kTabStop | WS_CLIPSIBLINGS, id));
    int i = 0;
    for (const wchar_t* title : titles) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(title);
        TabCtrl_InsertItem(tabs, i++, &item);
    }
    return tabs;
}

int TTabControl::Selected() const {
    return TabCtrl_GetCurSel(Handle());
}

void TTabControl::Select(int index) {
    TabCtrl_SetCurSel(Handle(), index);
}

bool TTabControl::OnNotify(const NMHDR* header, LRESULT& result) {
    if (header->code != TCN_SELCHANGE) return false;
    if (onChange) onChange();
    result = 0;
    return true;
}

bool TPanel::Create(HWND parent) {
    WindowArgs args;
    args.className = L"VantrelPanel";
    args.style = WS_CHILD | WS_CLIPSIBLINGS;
    args.exStyle = WS_EX_CONTROLPARENT;
    args.x = args.y = args.width = args.height = 0;
    args.owner = parent;
    return TWindow::Create(args);
}

SIZE TPanel::Size96(UINT dpi) const {
    RECT client;
    GetClientRect(Handle(), &client);
    return {MulDiv(client.right, 96, static_cast<int>(dpi)), MulDiv(client.bottom, 96, static_cast<int>(dpi))};
}

namespace {

BOOL CALLBACK SetFontOfChild(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

}  // namespace

void SetFontOfChildren(HWND parent, HFONT font) {
    EnumChildWindows(parent, SetFontOfChild, reinterpret_cast<LPARAM>(font));
}

void Place(HWND control, int x, int y, int width, int height, UINT dpi, int dx, int dy) {
    SetWindowPos(control, nullptr, dx + Scale(x, dpi), dy + Scale(y, dpi), Scale(width, dpi), Scale(height, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring GetText(HWND control) {
    int n = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(control, text.data(), n + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

void SetText(HWND control, const std::wstring& text) {
    SetWindowTextW(control, text.c_str());
}

bool IsChecked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND button, bool checked) {
    SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

StringList ListItems(HWND listBox) {
    StringList items;
    int count = static_cast<int>(SendMessageW(listBox, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        int len = static_cast<int>(SendMessageW(listBox, LB_GETTEXTLEN, i, 0));
        std::wstring item(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
        len = static_cast<int>(SendMessageW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data())));
        item.resize(static_cast<size_t>(len > 0 ? len : 0));
        items.push_back(std::move(item));
    }
    return items;
}

void ListAdd(HWND listBox, const std::wstring& item) {
    SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void ListSetSelected(HWND listBox, int index, bool selected) {
    SendMessageW(listBox, LB_SETSEL, selected ? TRUE : FALSE, index);
}

void ListDeleteSelected(HWND listBox) {
    // From the end, so the indexes still to go stay valid.
    int count = static_cast<int>(SendMessageW(listBox, LB_GETCOUNT, 0, 0));
    for (int i = count - 1; i >= 0; --i)
        if (SendMessageW(listBox, LB_GETSEL, i, 0) > 0) SendMessageW(listBox, LB_DELETESTRING, i, 0);
}

void TSpinEdit::Create(HWND parent, UINT id, int minValue, int maxValue) {
    min_ = minValue;
    max_ = maxValue;
    edit_ = CreateControl(parent, WC_EDITW, L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, id, WS_EX_CLIENTEDGE);
    upDown_ = CreateControl(parent, UPDOWN_CLASSW, L"",
                            WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_SETBUDDYINT);
    SendMessageW(upDown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit_), 0);
    if (min_ == max_)
        SendMessageW(upDown_, UDM_SETRANGE32, static_cast<WPARAM>(INT_MIN), INT_MAX);
    else
        SendMessageW(upDown_, UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
}

int TSpinEdit::Value() {
    std::wstring text = GetText(edit_);
    wchar_t* end = nullptr;
    errno = 0;
    long long value = text.empty() ? 0 : std::wcstoll(text.c_str(), &end, 10);
    bool number = !text.empty() && end && *end == L'\0' && errno == 0 && value >= INT_MIN && value <= INT_MAX;
    int result = number ? static_cast<int>(value) : min_;
    if (min_ != max_) result = result < min_ ? min_ : (result > max_ ? max_ : result);
    if (!number || result != value) SetValue(result);
    return result;
}

void TSpinEdit::SetValue(int value) {
    if (min_ != max_) value = value < min_ ? min_ : (value > max_ ? max_ : value);
    SetText(edit_, std::to_wstring(value));
}

void TSpinEdit::SetEnabled(bool enabled) {
    EnableWindow(edit_, enabled ? TRUE : FALSE);
    EnableWindow(upDown_, enabled ? TRUE : FALSE);
}

void TSpinEdit::Place(int x, int y, int width, int height, UINT dpi, int dx, int dy) {
    ui::Place(edit_, x, y, width, height, dpi, dx, dy);
    // The up-down sits inside the edit's right end again after the edit moved.
    SendMessageW(upDown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit_), 0);
}

}  // namespace vantrel::ui

#include "ui/Controls.h"

#include <commctrl.h>

#include <cerrno>
#include <climits>
#include <cwchar>
#include <vector>

#include "ui/Dpi.h"

namespace vantrel::ui {

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

bool TLabel::Create(HWND parent, const wchar_t* caption, DWORD style, UINT id) {
    return CreateControl(parent, WC_STATICW, caption, WS_VISIBLE | style, id);
}

bool TGroupBox::Create(HWND parent, const wchar_t* caption) {
    return CreateControl(parent, WC_BUTTONW, caption, WS_VISIBLE | BS_GROUPBOX);
}

bool TEdit::Create(HWND parent, UINT id, DWORD style, DWORD exStyle) {
    return CreateControl(parent, WC_EDITW, L"", style, id, exStyle);
}

void TEdit::SetLimit(size_t chars) {
    SendMessageW(Handle(), EM_SETLIMITTEXT, chars, 0);
}

bool TEdit::OnReflectedCommand(UINT code) {
    if (code != EN_CHANGE || !onChange) return false;
    onChange();
    return true;
}

bool TListBox::Create(HWND parent, UINT id) {
    return CreateControl(parent, WC_LISTBOXW, L"",
                         kTabStop | WS_VSCROLL | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, id,
                         WS_EX_CLIENTEDGE);
}

bool TUpDown::Create(HWND parent, int minValue, int maxValue) {
    if (!CreateControl(parent, UPDOWN_CLASSW, L"",
                       WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_SETBUDDYINT))
        return false;
    if (minValue == maxValue)
        SendMessageW(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(INT_MIN), INT_MAX);
    else
        SendMessageW(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(minValue), maxValue);
    return true;
}

void TUpDown::SetBuddy(HWND buddy) {
    SendMessageW(Handle(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
}

bool TButton::Create(HWND parent, const wchar_t* caption, DWORD style, UINT id) {
    return CreateControl(parent, WC_BUTTONW, caption, style, id);
}

bool TButton::OnReflectedCommand(UINT code) {
    if (code != BN_CLICKED || !onClick) return false;
    onClick();
    return true;
}

bool TTabControl::Create(HWND parent, UINT id, std::initializer_list<const wchar_t*> titles) {
    if (!CreateControl(parent, WC_TABCONTROLW, L"", kTabStop | WS_CLIPSIBLINGS, id)) return false;
    int i = 0;
    for (const wchar_t* title : titles) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(title);
        TabCtrl_InsertItem(Handle(), i++, &item);
    }
    return true;
}

int TTabControl::Selected() const {
    return TabCtrl_GetCurSel(Handle());
}

void TTabControl::Select(int index) {
    TabCtrl_SetCurSel(Handle(), index);
}

bool TTabControl::OnReflectedNotify(const NMHDR* header, LRESULT& result) {
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
    edit_.Create(parent, id);
    upDown_.Create(parent, minValue, maxValue);
    upDown_.SetBuddy(edit_.Handle());
}

int TSpinEdit::Value() {
    std::wstring text = edit_.Text();
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
    edit_.SetText(std::to_wstring(value));
}

void TSpinEdit::SetEnabled(bool enabled) {
    edit_.SetEnabled(enabled);
    upDown_.SetEnabled(enabled);
}

void TSpinEdit::Place(int x, int y, int width, int height, UINT dpi, int dx, int dy) {
    edit_.Place(x, y, width, height, dpi, dx, dy);
    // The up-down sits inside the edit's right end again after the edit moved.
    upDown_.SetBuddy(edit_.Handle());
}

}  // namespace vantrel::ui

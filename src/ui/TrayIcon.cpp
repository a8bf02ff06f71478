#include "ui/TrayIcon.h"

#include <windowsx.h>

#include <iterator>

namespace vantrel {

TrayIcon::TrayIcon(HWND owner, UINT callbackMessage, UINT id)
    : owner_(owner),
      callbackMessage_(callbackMessage),
      id_(id),
      // As if the last double click were long past.
      doubleClickTick_(GetTickCount() - GetDoubleClickTime()) {}

TrayIcon::~TrayIcon() {
    StopClickTimer();
    Hide();
}

NOTIFYICONDATAW TrayIcon::Data(UINT flags) const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = owner_;
    data.uID = id_;
    data.uFlags = flags;
    data.uCallbackMessage = callbackMessage_;
    data.hIcon = icon_;
    // The shell's tip holds 127 characters; a longer hint is cut rather than refused.
    hint_.copy(data.szTip, std::size(data.szTip) - 1);
    return data;
}

bool TrayIcon::Add() {
    // With version 4 the shell shows the hint only when asked to (NIF_SHOWTIP).
    NOTIFYICONDATAW data = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
    if (!Shell_NotifyIconW(NIM_ADD, &data)) return false;
    data.uVersion = NOTIFYICON_VERSION_4;
    version4_ = Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
    return true;
}

bool TrayIcon::SetIcon(HICON icon) {
    icon_ = icon;
    if (!added_) return true;
    NOTIFYICONDATAW data = Data(NIF_ICON);
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool TrayIcon::SetHint(const std::wstring& hint) {
    hint_ = hint;
    if (!added_) return true;
    NOTIFYICONDATAW data = Data(NIF_TIP | NIF_SHOWTIP);
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool TrayIcon::Show() {
    wanted_ = true;
    if (added_) return true;
    added_ = Add();
    if (!added_) StartRetryTimer();
    return added_;
}

bool TrayIcon::Hide() {
    wanted_ = false;
    StopRetryTimer();
    if (!added_) return true;
    added_ = false;
    StopClickTimer();
    NOTIFYICONDATAW data = Data(0);
    return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

bool TrayIcon::Readd() {
    // The message also comes when the taskbar merely changed, with the icon still there, and an
    // icon of this window and id can only be ours: it is removed first so the add cannot fail on it.
    NOTIFYICONDATAW data = Data(0);
    Shell_NotifyIconW(NIM_DELETE, &data);
    added_ = Add();
    if (added_)
        StopRetryTimer();
    else
        StartRetryTimer();
    return added_;
}

void TrayIcon::OnTaskbarCreated() {
    // A restarted taskbar knows nothing of the icon; one that was not ready before may take it now.
    if (wanted_) Readd();
}

// The click timer's id is the object's address; the retry timer's is the same with the lowest
// bit set, which an object's address never has.
UINT_PTR TrayIcon::RetryTimerId() const {
    return reinterpret_cast<UINT_PTR>(this) | 1;
}

void TrayIcon::StartRetryTimer() {
    if (retryPending_) return;
    retryPending_ = SetTimer(owner_, RetryTimerId(), kRetryMs, RetryTimerProc) != 0;
}

void TrayIcon::StopRetryTimer() {
    if (!retryPending_) return;
    KillTimer(owner_, RetryTimerId());
    retryPending_ = false;
}

void CALLBACK TrayIcon::RetryTimerProc(HWND, UINT, UINT_PTR idEvent, DWORD) {
    auto* self = reinterpret_cast<TrayIcon*>(idEvent & ~static_cast<UINT_PTR>(1));
    if (self->wanted_ && !self->added_)
        self->Readd();
    else
        self->StopRetryTimer();
}

UINT TrayIcon::TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

BOOL TrayIcon::ShowPopupMenu(HMENU menu, int x, int y, UINT flags) {
    if (!menu) return FALSE;
    // Without the owner in the foreground the menu would stay open after a click elsewhere,
    // and without the WM_NULL after it the next right click would close it at once.
    SetForegroundWindow(owner_);
    // Unless told otherwise, the menu opens to the side the user's settings ask for.
    if ((flags & (TPM_CENTERALIGN | TPM_RIGHTALIGN)) == 0)
        flags |= GetSystemMetrics(SM_MENUDROPALIGNMENT) != 0 ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    const BOOL result = TrackPopupMenuEx(menu, flags, x, y, owner_, nullptr);
    PostMessageW(owner_, WM_NULL, 0, 0);
    return result;
}

bool TrayIcon::HandleCallback(WPARAM wParam, LPARAM lParam) {
    UINT event = 0;
    int x = 0;
    int y = 0;
    if (version4_) {
        // The event in the low word of lParam, the icon's id in the high word, the anchor point
        // in wParam (signed: screens left of or above the primary one are negative).
        if (HIWORD(lParam) != id_) return false;
        event = LOWORD(lParam);
        x = GET_X_LPARAM(wParam);
        y = GET_Y_LPARAM(wParam);
    } else {
        // A shell without version 4: the id in wParam, the mouse message in lParam, no point.
        if (wParam != id_) return false;
        event = static_cast<UINT>(lParam);
        if (event == WM_LBUTTONUP) event = NIN_SELECT;
        if (event == WM_RBUTTONUP) event = WM_CONTEXTMENU;
        POINT cursor{};
        GetCursorPos(&cursor);
        x = cursor.x;
        y = cursor.y;
    }
    switch (event) {
        case NIN_SELECT:
        case NIN_KEYSELECT:
            // The release that ends a double click is not a click of its own.
            if (GetTickCount() - doubleClickTick_ >= GetDoubleClickTime()) StartClickTimer();
            break;
        case WM_LBUTTONDBLCLK:
            StopClickTimer();
            doubleClickTick_ = GetTickCount();
            if (onDoubleClick) onDoubleClick();
            break;
        case WM_CONTEXTMENU:
            StopClickTimer();
            if (onContextMenu) onContextMenu(x, y);
            if (popupMenu_) ShowPopupMenu(popupMenu_, x, y);
            break;
        default:
            break;
    }
    return true;
}

void TrayIcon::StartClickTimer() {
    // The timer runs through the owner's message loop, so the click comes on the main thread.
    // Its id is this object, which is how the timer procedure finds it again.
    clickPending_ = SetTimer(owner_, reinterpret_cast<UINT_PTR>(this), GetDoubleClickTime(), ClickTimerProc) != 0;
}

void TrayIcon::StopClickTimer() {
    if (!clickPending_) return;
    KillTimer(owner_, reinterpret_cast<UINT_PTR>(this));
    clickPending_ = false;
}

void CALLBACK TrayIcon::ClickTimerProc(HWND, UINT, UINT_PTR idEvent, DWORD) {
    auto* self = reinterpret_cast<TrayIcon*>(idEvent);
    self->StopClickTimer();
    if (self->onClick) self->onClick();
}

}  // namespace vantrel

// The program's icon in the notification area: hint, visibility, click, double click and a
// right-click popup menu. It comes back after Explorer restarts when the owner passes on the
// "TaskbarCreated" message.
//
// The owner window's procedure forwards two messages:
//   the callback message given here        -> HandleCallback(wParam, lParam)
//   TrayIcon::TaskbarCreatedMessage()      -> OnTaskbarCreated()
#pragma once

#include <windows.h>
// After windows.h, which leaves it out under WIN32_LEAN_AND_MEAN.
#include <shellapi.h>

#include <functional>
#include <string>

namespace vantrel {

class TrayIcon {
  public:
    // Nothing is shown until Show(). The icon and the popup menu stay their owners' to destroy.
    TrayIcon(HWND owner, UINT callbackMessage, UINT id = 1);
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Each returns whether the shell took the change; while hidden they only remember it.
    bool SetIcon(HICON icon);
    bool SetHint(const std::wstring& hint);
    const std::wstring& Hint() const { return hint_; }

    // Show makes the icon wanted and adds it to the notification area. When the shell refuses
    // (a taskbar not ready yet at log-on), the add is tried again on "TaskbarCreated" and every
    // kRetryMs until it succeeds. Returns whether the icon is there now.
    bool Show();
    bool Hide();  // not wanted any more: removed, and no more tries
    bool SetVisible(bool visible) { return visible ? Show() : Hide(); }
    bool Visible() const { return wanted_; }  // wanted, whether or not the shell has it yet
    bool Added() const { return added_; }     // the shell has it
    static constexpr UINT kRetryMs = 2000;

    // The menu shown on a right click, after onContextMenu has run (it may update the entries).
    void SetPopupMenu(HMENU menu) { popupMenu_ = menu; }
    HMENU PopupMenu() const { return popupMenu_; }

    // Shows menu at the screen point, for the owner: its commands reach the owner as WM_COMMAND
    // (or are returned with TPM_RETURNCMD in flags). Returns what TrackPopupMenuEx returns.
    BOOL ShowPopupMenu(HMENU menu, int x, int y, UINT flags = TPM_RIGHTBUTTON);

    // The callback message from the shell. Returns true when it was this icon's.
    bool HandleCallback(WPARAM wParam, LPARAM lParam);
    // Explorer was (re)started: the icon is added again if it is visible.
    void OnTaskbarCreated();
    static UINT TaskbarCreatedMessage();

    HWND Owner() const { return owner_; }
    UINT Id() const { return id_; }

    std::function<void()> onClick;  // a single click, once the double-click time has passed
    std::function<void()> onDoubleClick;
    std::function<void(int x, int y)> onContextMenu;  // screen point of the right click

  private:
    NOTIFYICONDATAW Data(UINT flags) const;
    bool Add();
    void StartClickTimer();
    void StopClickTimer();
    static void CALLBACK ClickTimerProc(HWND, UINT, UINT_PTR idEvent, DWORD);
    bool Readd();  // removes whatever the shell holds under the icon's id, then adds it
    void StartRetryTimer();
    void StopRetryTimer();
    UINT_PTR RetryTimerId() const;
    static void CALLBACK RetryTimerProc(HWND, UINT, UINT_PTR idEvent, DWORD);

    HWND owner_;
    UINT callbackMessage_;
    UINT id_;
    HICON icon_ = nullptr;
    HMENU popupMenu_ = nullptr;
    std::wstring hint_;
    bool wanted_ = false;
    bool added_ = false;
    bool retryPending_ = false;
    bool version4_ = false;
    bool clickPending_ = false;
    DWORD doubleClickTick_;
};

}  // namespace vantrel

// TWindow: the one base of every window and control object. An object gets its window one of
// two ways: it makes it (Create for a window class of ours, CreateControl for a standard
// control) or takes over one made elsewhere (Attach). Either way the window is tied to the
// object once, by one window property, and its messages reach the object's HandleMessage first;
// Default hands them on to the window's own procedure. A parent that hears of a control's
// WM_COMMAND, WM_NOTIFY or WM_CTLCOLOR* hands it to the control's object first
// (OnReflectedCommand, OnReflectedNotify, OnReflectedColor), so a control can handle its own
// messages and its notifications alike.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel::ui {

struct WindowArgs {
    const wchar_t* className = nullptr;  // registered on first use with the base window procedure
    const wchar_t* caption = L"";
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD exStyle = 0;
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    HWND owner = nullptr;  // the parent of a WS_CHILD window
    HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    HICON icon = nullptr;
    UINT id = 0;  // a child window's id
};

// Results of a modal window.
constexpr int kModalNone = 0;
constexpr int kModalOk = 1;
constexpr int kModalCancel = 2;

class TWindow {
  public:
    TWindow() = default;
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;
    // Destroys the window if it is still there, a control taken over by Attach too. A derived
    // class whose destroy handler must run as itself calls Destroy in its own destructor.
    virtual ~TWindow();

    HWND Handle() const { return hwnd_; }
    // The object tied to a window, or null for a window that has none (or is gone).
    static TWindow* FromHandle(HWND hwnd);

    // A child control of a standard window class with the given text, style (WS_CHILD is added),
    // command id and extended style, sized later by its window's layout; false when it could not
    // be made or this object has a window already.
    bool CreateControl(HWND parent,
                       const wchar_t* className,
                       const wchar_t* text,
                       DWORD style,
                       UINT id = 0,
                       DWORD exStyle = 0);
    // Takes over a window made elsewhere, as if this object had made it: false when it is null,
    // has an object already or this object has a window.
    bool Attach(HWND hwnd);
    void Destroy();

    bool Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }
    bool Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
    void SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }
    std::wstring Text() const;
    void SetText(const std::wstring& text);
    // Moves the window to a rectangle given at 96 DPI, offset by (dx, dy) real pixels.
    void Place(int x, int y, int width, int height, UINT dpi, int dx = 0, int dy = 0) const;

    // Shows the window and runs a message loop of its own until ModalResult is set or the
    // window is hidden or destroyed; the owner is disabled meanwhile. Returns the modal result.
    int ShowModal();
    void SetModalResult(int result) { modalResult_ = result; }
    int ModalResult() const { return modalResult_; }
    bool InModalLoop() const { return inModal_; }

  protected:
    bool Create(const WindowArgs& args);
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);
    // While modal, the window sees every message of its loop first (key preview); true stops it.
    virtual bool PreviewMessage(MSG&) { return false; }

    // The control's own notifications, handed on by its parent; false leaves them to the parent.
    virtual bool OnReflectedCommand(UINT /*code*/) { return false; }
    virtual bool OnReflectedNotify(const NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
    // The brush to paint the control's background with (colours set in dc); null leaves it to the parent.
    virtual HBRUSH OnReflectedColor(HDC /*dc*/) { return nullptr; }

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Hands a control's notification to its object; true (with the result) when taken.
    static bool Reflect(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void Tie(HWND hwnd);
    void Untie();

    HWND hwnd_ = nullptr;
    WNDPROC baseProc_ = nullptr;  // a control's own procedure; null for a window class of ours
    int modalResult_ = kModalNone;
    bool inModal_ = false;
};

}  // namespace vantrel::ui

// TWindow: the one window base class. The object is tied to its window once (at WM_NCCREATE, or
// when it takes over an existing control) and every message goes to the object's HandleMessage,
// which hands it to a small function per message. A control's own notifications (WM_COMMAND,
// WM_NOTIFY) reach the control's object first (see TControl).
#pragma once

#include <windows.h>

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
    // Destroys the window if it is still there. A derived class whose destroy handler must run
    // as itself calls Destroy in its own destructor.
    virtual ~TWindow();

    HWND Handle() const { return hwnd_; }
    bool Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }
    void Destroy();

    // Shows the window and runs a message loop of its own until ModalResult is set or the
    // window is hidden or destroyed; the owner is disabled meanwhile. Returns the modal result.
    int ShowModal();
    void SetModalResult(int result) { modalResult_ = result; }
    int ModalResult() const { return modalResult_; }
    bool InModalLoop() const { return inModal_; }

  protected:
    bool Create(const WindowArgs& args);
    // Takes over a control made elsewhere: its messages come here first and Default hands them
    // on to the control's own procedure.
    bool Subclass(HWND control);
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // While modal, the window sees every message of its loop first (key preview); true stops it.
    virtual bool PreviewMessage(MSG&) { return false; }
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    WNDPROC baseProc_ = nullptr;  // a subclassed control's own procedure
    int modalResult_ = kModalNone;
    bool inModal_ = false;
};

}  // namespace vantrel::ui

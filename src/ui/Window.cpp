#include "ui/Window.h"

#include <exception>

#include "ui/Application.h"
#include "ui/Controls.h"

namespace vantrel::ui {

TWindow::~TWindow() {
    Destroy();
}

void TWindow::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool TWindow::Create(const WindowArgs& args) {
    if (!RegisterClassOnce(args.className, WindowProc, args.background, args.icon)) return false;
    HMENU menuOrId = (args.style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(args.id)) : nullptr;
    CreateWindowExW(args.exStyle, args.className, args.caption, args.style, args.x, args.y, args.width, args.height,
                    args.owner, menuOrId, GetModuleHandleW(nullptr), this);
    return hwnd_ != nullptr;
}

bool TWindow::Subclass(HWND control) {
    if (!control || hwnd_) return false;
    hwnd_ = control;
    SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    baseProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWindow::WindowProc)));
    return baseProc_ != nullptr;
}

LRESULT TWindow::Default(UINT msg, WPARAM wParam, LPARAM lParam) {
    return baseProc_ ? CallWindowProcW(baseProc_, hwnd_, msg, wParam, lParam)
                     : DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT TWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return Default(msg, wParam, lParam);
}

int TWindow::ShowModal() {
    if (!hwnd_ || inModal_) return kModalNone;
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    modalResult_ = kModalNone;
    inModal_ = true;
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    MSG msg;
    while (modalResult_ == kModalNone && hwnd_ && IsWindowVisible(hwnd_)) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // the outer loop ends too
            break;
        }
        if (got < 0) break;
        if (!PreviewMessage(msg)) TApplication::Instance().ProcessMessage(msg);
    }
    inModal_ = false;
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
    if (owner && IsWindowVisible(owner)) SetActiveWindow(owner);
    return modalResult_ == kModalNone ? kModalCancel : modalResult_;
}

LRESULT CALLBACK TWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<TWindow*>(cs->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);

    LRESULT result = 0;
    // No exception crosses the window procedure: it is shown and the loop goes on.
    try {
        if (!TControl::Reflect(msg, wParam, lParam, result)) result = self->HandleMessage(msg, wParam, lParam);
    } catch (const std::exception& e) {
        TApplication::Instance().ShowException(e.what());
    } catch (...) {
        TApplication::Instance().ShowException("Unknown error");
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

}  // namespace vantrel::ui

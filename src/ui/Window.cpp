#include "ui/Window.h"

#include <exception>

#include "ui/Application.h"
#include "ui/Controls.h"

namespace vantrel::ui {

namespace {

// The one tie from a window to its object.
constexpr wchar_t kObjectProperty[] = L"VantrelWindow";

}  // namespace

TWindow::~TWindow() {
    Destroy();
}

TWindow* TWindow::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<TWindow*>(GetPropW(hwnd, kObjectProperty)) : nullptr;
}

void TWindow::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool TWindow::Create(const WindowArgs& args) {
    if (hwnd_ || !RegisterClassOnce(args.className, WindowProc, args.background, args.icon)) return false;
    HMENU menuOrId = (args.style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(args.id)) : nullptr;
    CreateWindowExW(args.exStyle, args.className, args.caption, args.style, args.x, args.y, args.width, args.height,
                    args.owner, menuOrId, GetModuleHandleW(nullptr), this);
    return hwnd_ != nullptr;
}

bool TWindow::CreateControl(HWND parent,
                            const wchar_t* className,
                            const wchar_t* text,
                            DWORD style,
                            UINT id,
                            DWORD exStyle) {
    if (hwnd_) return false;
    HWND control =
        CreateWindowExW(exStyle, className, text, WS_CHILD | style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (Attach(control)) return true;
    if (control) DestroyWindow(control);
    return false;
}

bool TWindow::Attach(HWND hwnd) {
    if (!hwnd || hwnd_ || FromHandle(hwnd)) return false;
    // A window of our own classes without an object has nothing to hand its messages on to.
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    if (!proc || proc == &TWindow::WindowProc) return false;
    // Every message of the window comes through WindowProc from now on, its last (WM_NCDESTROY)
    // too, which unties the object again.
    Tie(hwnd);
    baseProc_ = proc;
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWindow::WindowProc));
    return true;
}

void TWindow::Tie(HWND hwnd) {
    hwnd_ = hwnd;
    SetPropW(hwnd, kObjectProperty, this);
}

void TWindow::Untie() {
    RemovePropW(hwnd_, kObjectProperty);
    if (baseProc_) SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(baseProc_));
    hwnd_ = nullptr;
    baseProc_ = nullptr;
}

LRESULT TWindow::Default(UINT msg, WPARAM wParam, LPARAM lParam) {
    return baseProc_ ? CallWindowProcW(baseProc_, hwnd_, msg, wParam, lParam)
                     : DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT TWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return Default(msg, wParam, lParam);
}

std::wstring TWindow::Text() const {
    return GetText(hwnd_);
}

void TWindow::SetText(const std::wstring& text) {
    ui::SetText(hwnd_, text);
}

void TWindow::Place(int x, int y, int width, int height, UINT dpi, int dx, int dy) const {
    ui::Place(hwnd_, x, y, width, height, dpi, dx, dy);
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

bool TWindow::Reflect(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_COMMAND: {
            TWindow* control = FromHandle(reinterpret_cast<HWND>(lParam));
            if (!control || !control->OnReflectedCommand(HIWORD(wParam))) return false;
            result = 0;
            return true;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            TWindow* control = header ? FromHandle(header->hwndFrom) : nullptr;
            return control && control->OnReflectedNotify(header, result);
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX: {
            TWindow* control = FromHandle(reinterpret_cast<HWND>(lParam));
            HBRUSH brush = control ? control->OnReflectedColor(reinterpret_cast<HDC>(wParam)) : nullptr;
            if (!brush) return false;
            result = reinterpret_cast<LRESULT>(brush);
            return true;
        }
        default:
            return false;
    }
}

LRESULT CALLBACK TWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* creating = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (creating && !creating->hwnd_) creating->Tie(hwnd);
    }
    TWindow* self = FromHandle(hwnd);
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);

    LRESULT result = 0;
    // No exception crosses the window procedure: it is shown and the loop goes on.
    try {
        if (!Reflect(msg, wParam, lParam, result)) result = self->HandleMessage(msg, wParam, lParam);
    } catch (const std::exception& e) {
        TApplication::Instance().ShowException(e.what());
    } catch (...) {
        TApplication::Instance().ShowException("Unknown error");
    }
    if (msg == WM_NCDESTROY) self->Untie();
    return result;
}

}  // namespace vantrel::ui

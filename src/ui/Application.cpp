#include "ui/Application.h"

#include <algorithm>
#include <exception>

#include "platform/Text.h"

namespace vantrel::ui {

TApplication& TApplication::Instance() {
    static TApplication app;
    return app;
}

void TApplication::AddDialogWindow(HWND hwnd) {
    if (std::find(dialogWindows_.begin(), dialogWindows_.end(), hwnd) == dialogWindows_.end())
        dialogWindows_.push_back(hwnd);
}

void TApplication::RemoveDialogWindow(HWND hwnd) {
    dialogWindows_.erase(std::remove(dialogWindows_.begin(), dialogWindows_.end(), hwnd), dialogWindows_.end());
}

void TApplication::ProcessMessage(MSG& msg) {
    // An action run from the filter (a hotkey) may throw: the error is shown and the loop goes on.
    try {
        Dispatch(msg);
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("Unknown error");
    }
}

void TApplication::Dispatch(MSG& msg) {
    bool handled = false;
    if (filter_) filter_(msg, handled);
    if (handled) return;
    if (msg.hwnd) {
        HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (std::find(dialogWindows_.begin(), dialogWindows_.end(), root) != dialogWindows_.end() &&
            IsDialogMessageW(root, &msg))
            return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int TApplication::Run() {
    MSG msg;
    for (;;) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got < 0) return 0;
        ProcessMessage(msg);
    }
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ProcessMessage(msg);
    }
}

void TApplication::ShowException(const std::string& message) {
    const std::wstring text = FromNarrow(message);
    if (OnException) {
        // A failing report must not end the program either.
        try {
            OnException(text);
        } catch (...) {
        }
    }
    MessageBoxW(GetActiveWindow(), text.c_str(), Title.c_str(), MB_OK | MB_ICONSTOP);
}

}  // namespace vantrel::ui

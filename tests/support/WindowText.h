// Reading and driving another thread's (or process's) windows through their messages.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel::test {

inline std::wstring Text(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The letter after a caption's single "&" ("&&" is a plain "&"); 0 when it has none.
inline wchar_t AccessKey(const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] != L'&') return caption[i + 1];
        ++i;
    }
    return 0;
}

// Sent, not posted: across threads the owner handles it in its own loop (a modal one included)
// before this returns.
inline void SetText(HWND window, const std::wstring& text) {
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// A click on the dialog's button id, posted as the mouse would: the dialog's loop takes it in turn.
inline void Click(HWND dialog, int id) {
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

}  // namespace vantrel::test

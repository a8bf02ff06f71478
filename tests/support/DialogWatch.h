// Acting on a dialog of this thread while its own modal loop runs: a timer looks for a visible
// dialog with the caption and hands each new one, once, to then. One watch at a time.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

#include "WindowText.h"

namespace vantrel::test {

namespace dialog_watch {
inline std::wstring caption;
inline std::function<void(HWND dialog)> then;
inline UINT_PTR timer = 0;
// The mark on a dialog already handed on, by an atom made once so that marks add no atoms.
inline const wchar_t* Seen() {
    static const ATOM atom = GlobalAddAtomW(L"VantrelTestSeen");
    return MAKEINTATOM(atom);
}

inline BOOL CALLBACK FindNew(HWND hwnd, LPARAM found) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(hwnd) || GetPropW(hwnd, Seen()) || Text(hwnd) != caption)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

inline void CALLBACK Look(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindNew, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    SetPropW(dialog, Seen(), reinterpret_cast<HANDLE>(1));
    if (then) then(dialog);
}
}  // namespace dialog_watch

inline void StopWatchingDialogs() {
    if (dialog_watch::timer) KillTimer(nullptr, dialog_watch::timer);
    dialog_watch::timer = 0;
    dialog_watch::then = nullptr;
}

inline void WatchForDialog(std::wstring caption, std::function<void(HWND dialog)> then) {
    StopWatchingDialogs();
    dialog_watch::caption = std::move(caption);
    dialog_watch::then = std::move(then);
    dialog_watch::timer = SetTimer(nullptr, 0, 20, dialog_watch::Look);
}

}  // namespace vantrel::test

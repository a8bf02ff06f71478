// Reading the note dialog's windows, shared by the dialog tests and the batch tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "WindowText.h"

namespace vantrel::test {

inline std::wstring ClassOf(HWND w) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    return cls;
}

inline BOOL CALLBACK CollectChild(HWND w, LPARAM out) {
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
    return TRUE;
}

inline std::vector<HWND> Children(HWND dlg) {
    std::vector<HWND> out;
    EnumChildWindows(dlg, CollectChild, reinterpret_cast<LPARAM>(&out));
    return out;
}

// The edit whose style has (or lacks) ES_MULTILINE: the note, or the file-name box.
inline HWND Edit(HWND dlg, bool multiLine) {
    for (HWND w : Children(dlg)) {
        const bool isMulti = (GetWindowLongPtrW(w, GWL_STYLE) & ES_MULTILINE) != 0;
        if (ClassOf(w) == L"Edit" && isMulti == multiLine) return w;
    }
    return nullptr;
}
inline HWND Memo(HWND dlg) {
    return Edit(dlg, true);
}
inline HWND FileNameBox(HWND dlg) {
    return Edit(dlg, false);
}

}  // namespace vantrel::test

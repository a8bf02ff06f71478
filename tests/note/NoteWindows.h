// Reading the note dialog's windows, shared by the dialog tests and the batch tests.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel::test {

inline std::wstring Text(HWND w) {
    std::wstring s(static_cast<size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
    s.resize(static_cast<size_t>(GetWindowTextW(w, s.data(), static_cast<int>(s.size()))));
    return s;
}

inline std::wstring ClassOf(HWND w) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    return cls;
}

}  // namespace vantrel::test

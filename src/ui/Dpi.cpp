#include "ui/Dpi.h"

#include <cwchar>

namespace vantrel::ui {

UINT WindowDpi(HWND hwnd) {
    wchar_t value[16] = {};
    if (GetEnvironmentVariableW(L"VANTREL_DPI", value, 16) > 0) {
        long dpi = std::wcstol(value, nullptr, 10);
        if (dpi >= 48 && dpi <= 960) return static_cast<UINT>(dpi);
    }
    // Windows 10 1607 and later; looked up so the program still starts on older systems.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && hwnd) {
        UINT dpi = getDpiForWindow(hwnd);
        if (dpi) return dpi;
    }
    TWindowDC screen(nullptr);
    int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

unique_hgdiobj CreatePixelFont(const wchar_t* face, int pixels, UINT dpi, bool bold) {
    LOGFONTW lf = {};
    lf.lfHeight = -Scale(pixels, dpi);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return unique_hgdiobj(CreateFontIndirectW(&lf));
}

unique_hgdiobj CreateUiFont(UINT dpi) {
    return CreatePixelFont(L"Tahoma", 11, dpi);
}

}  // namespace vantrel::ui

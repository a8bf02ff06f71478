// DPI helpers: every window is laid out in pixels at 96 DPI, scaled by its monitor's DPI.
#pragma once

#include <windows.h>

#include "ui/Gdi.h"

namespace vantrel::ui {

// The DPI the window is shown at: VANTREL_DPI from the environment when set (so scaling can be
// tested on one monitor), else GetDpiForWindow where the system has it, else the screen's, else 96.
UINT WindowDpi(HWND hwnd);

// A length given at 96 DPI, at dpi.
inline int Scale(int px, UINT dpi) {
    return MulDiv(px, static_cast<int>(dpi), 96);
}

// A font of the given character height in pixels at 96 DPI, scaled to dpi.
unique_hgdiobj CreatePixelFont(const wchar_t* face, int pixels, UINT dpi, bool bold = false);
// The windows' font: Tahoma 8 point (11 pixels at 96 DPI).
unique_hgdiobj CreateUiFont(UINT dpi);

}  // namespace vantrel::ui

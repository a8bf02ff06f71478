// Owners for the GDI and common-control handles the windows keep: fonts, bitmaps, brushes,
// image lists, memory DCs. Same template as the kernel handles. Beside them the scoped helpers
// for drawing: a window's DC, a paint DC, and a selection that is undone at the end of a scope.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "platform/UniqueHandle.h"
#include "ui/CommonControls.h"

namespace vantrel {

namespace handle_traits {

struct hgdiobj {
    using pointer = HGDIOBJ;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer h) noexcept { return h != nullptr; }
    static void close(pointer h) noexcept { ::DeleteObject(h); }
};

struct hdc {
    using pointer = HDC;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer h) noexcept { return h != nullptr; }
    static void close(pointer h) noexcept { ::DeleteDC(h); }
};

struct himagelist {
    using pointer = HIMAGELIST;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer h) noexcept { return h != nullptr; }
    static void close(pointer h) noexcept { ui::DestroyImageList(h); }
};

}  // namespace handle_traits

using unique_hgdiobj = unique_any<handle_traits::hgdiobj>;
using unique_himagelist = unique_any<handle_traits::himagelist>;
using unique_hdc = unique_any<handle_traits::hdc>;  // from CreateCompatibleDC

namespace ui {

// GetDC's DC of a window (null: the screen), released at the end of the scope.
class TWindowDC {
  public:
    explicit TWindowDC(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~TWindowDC() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint and EndPaint around a WM_PAINT handler.
class TPaintDC {
  public:
    explicit TPaintDC(HWND hwnd) : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {}
    ~TPaintDC() { ::EndPaint(hwnd_, &ps_); }
    TPaintDC(const TPaintDC&) = delete;
    TPaintDC& operator=(const TPaintDC&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND hwnd_;
    PAINTSTRUCT ps_ = {};
    HDC dc_;
};

// Selects an object into a DC and puts the one it replaced back at the end of the scope.
class TSelectObject {
  public:
    TSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~TSelectObject() {
        if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace ui

}  // namespace vantrel

// Owners for the GDI and common-control handles the windows keep: fonts, bitmaps, brushes,
// image lists. Same template as the kernel handles.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "platform/UniqueHandle.h"

namespace vantrel {

namespace handle_traits {

struct hgdiobj {
    using pointer = HGDIOBJ;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer h) noexcept { return h != nullptr; }
    static void close(pointer h) noexcept { ::DeleteObject(h); }
};

struct himagelist {
    using pointer = HIMAGELIST;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer h) noexcept { return h != nullptr; }
    static void close(pointer h) noexcept { ::ImageList_Destroy(h); }
};

}  // namespace handle_traits

using unique_hgdiobj = unique_any<handle_traits::hgdiobj>;
using unique_himagelist = unique_any<handle_traits::himagelist>;

}  // namespace vantrel

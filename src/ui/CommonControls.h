// The common controls library (comctl32), loaded when the first control is made rather than with
// the program: a program that waits in the notification area until its window is first shown
// does not carry the library and what it sets up when it loads. Everything the program calls in
// it goes through here; the controls' messages need nothing of this.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace vantrel::ui {

// Loads the library (the version the program's manifest asks for) and registers the given control
// classes (ICC_ flags). Cheap once done; false when the library or the call failed.
bool InitCommonControls(DWORD classes);

// ImageList_Create, ImageList_AddMasked and ImageList_Destroy, through the library loaded above
// (loaded here when nothing has loaded it yet).
HIMAGELIST CreateImageList(int cx, int cy, UINT flags, int initial, int grow);
int AddMaskedImage(HIMAGELIST list, HBITMAP image, COLORREF mask);
void DestroyImageList(HIMAGELIST list) noexcept;

}  // namespace vantrel::ui

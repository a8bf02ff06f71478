// Keys the program's memos share.
#pragma once

#include <windows.h>

namespace vantrel {

// Ctrl+A selects the memo's whole text, whether Shift or Alt is held as well; true when the key
// was that and has been handled.
bool SelectAllOnCtrlA(HWND memo, WPARAM key);

}  // namespace vantrel

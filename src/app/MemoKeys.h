// Keys the program's memos share.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

// Ctrl+A selects the memo's whole text, whether Shift or Alt is held as well; true when the key
// was that and has been handled.
bool SelectAllOnCtrlA(HWND memo, WPARAM key);

// Puts text on the clipboard as Unicode text, as a memo's own copy does; false when the clipboard
// could not be had.
bool CopyToClipboard(HWND owner, const std::wstring& text);

}  // namespace vantrel

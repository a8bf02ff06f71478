// Helpers over the standard controls: creation, text, check boxes, list boxes and spin edits.
#pragma once

#include <windows.h>

#include <string>

#include "platform/Text.h"

namespace vantrel::ui {

// A child control with the given class, text, style (WS_CHILD is added) and command id,
// sized later by its window's layout.
HWND CreateControl(HWND parent,
                   const wchar_t* className,
                   const wchar_t* text,
                   DWORD style,
                   UINT id = 0,
                   DWORD exStyle = 0);
void SetFontOfChildren(HWND parent, HFONT font);
// Registers a window class of this module with an arrow cursor, unless it is registered
// already; false when registering fails. A null background leaves the painting to the window.
bool RegisterClassOnce(const wchar_t* className, WNDPROC proc, HBRUSH background, HICON icon = nullptr);
inline HBRUSH ButtonFace() {
    return reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
}
// A plain container for a page of controls: it hands its children's notifications
// (WM_COMMAND, WM_NOTIFY, colours, scrolling) on to its own parent.
HWND CreatePanel(HWND parent);
// Moves a control to a rectangle given at 96 DPI, offset by (dx, dy) real pixels.
void Place(HWND control, int x, int y, int width, int height, UINT dpi, int dx = 0, int dy = 0);

std::wstring GetText(HWND control);
void SetText(HWND control, const std::wstring& text);

bool IsChecked(HWND button);
void SetChecked(HWND button, bool checked);

// List boxes (several items selectable).
StringList ListItems(HWND listBox);
void ListAdd(HWND listBox, const std::wstring& item);
void ListSetSelected(HWND listBox, int index, bool selected);
void ListDeleteSelected(HWND listBox);

// A spin edit: an edit for a whole number with an up-down control as its buddy. min == max means
// no range. Text that is no whole number reads as the smallest value and is shown as that.
class TSpinEdit {
  public:
    void Create(HWND parent, UINT id, int minValue, int maxValue);
    HWND Edit() const { return edit_; }
    HWND UpDown() const { return upDown_; }
    int Value() const;
    void SetValue(int value);
    void SetEnabled(bool enabled);
    void Place(int x, int y, int width, int height, UINT dpi, int dx = 0, int dy = 0);

  private:
    HWND edit_ = nullptr, upDown_ = nullptr;
    int min_ = 0, max_ = 0;
};

}  // namespace vantrel::ui

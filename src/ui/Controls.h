// Helpers over the standard controls: creation, text, check boxes, list boxes and spin edits;
// the control objects that raise their own events; the panel that holds a page of controls.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "platform/Text.h"
#include "ui/Window.h"

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
// The usual styles of a page's controls.
constexpr DWORD kTabStop = WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kPushButton = kTabStop | BS_PUSHBUTTON;
constexpr DWORD kCheckBox = kTabStop | BS_AUTOCHECKBOX;
HWND CreateGroupBox(HWND parent, const wchar_t* caption);
HWND CreateLabel(HWND parent, const wchar_t* caption, DWORD style = SS_LEFT);
HWND CreateEdit(HWND parent, UINT id);
// A list box in which several items can be selected.
HWND CreateListBox(HWND parent, UINT id);
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

// A standard control as an object. The window that hears of the control's WM_COMMAND or
// WM_NOTIFY hands it to the control's object, which raises its own event.
class TControl {
  public:
    TControl() = default;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;
    virtual ~TControl();

    HWND Handle() const { return hwnd_; }
    bool Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
    void SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }

    // The object of a control window, or null for a window that has none.
    static TControl* FromHandle(HWND control);
    // Hands a control's WM_COMMAND or WM_NOTIFY to its object; true (with the result) when taken.
    static bool Reflect(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  protected:
    // Ties the object to its window once.
    HWND Attach(HWND control);
    virtual void OnCommand(UINT /*code*/) {}
    virtual bool OnNotify(const NMHDR* /*header*/, LRESULT& /*result*/) { return false; }

  private:
    HWND hwnd_ = nullptr;
};

// A push button, check box or radio button; onClick runs on each click (after a check box has
// taken its new state).
class TButton : public TControl {
  public:
    HWND Create(HWND parent, const wchar_t* caption, DWORD style, UINT id = 0);
    bool Checked() const { return IsChecked(Handle()); }
    void SetChecked(bool checked) { ui::SetChecked(Handle(), checked); }
    std::function<void()> onClick;

  protected:
    void OnCommand(UINT code) override;
};

// A tab strip; onChange runs when the user picks another tab.
class TTabControl : public TControl {
  public:
    HWND Create(HWND parent, UINT id, std::initializer_list<const wchar_t*> titles);
    int Selected() const;
    void Select(int index);
    std::function<void()> onChange;

  protected:
    bool OnNotify(const NMHDR* header, LRESULT& result) override;
};

// A plain container for a page of controls, over its parent's page area.
class TPanel : public TWindow {
  public:
    bool Create(HWND parent);
    // The client size in 96-DPI units.
    SIZE Size96(UINT dpi) const;
};

// A spin edit: an edit for a whole number with an up-down control as its buddy. min == max means
// no range. Text that is no whole number reads as the smallest value and is shown as that.
class TSpinEdit {
  public:
    void Create(HWND parent, UINT id, int minValue, int maxValue);
    HWND Edit() const { return edit_; }
    HWND UpDown() const { return upDown_; }
    // The number shown; text that is no whole number in range is replaced by the value read.
    int Value();
    void SetValue(int value);
    void SetEnabled(bool enabled);
    void Place(int x, int y, int width, int height, UINT dpi, int dx = 0, int dy = 0);

  private:
    HWND edit_ = nullptr, upDown_ = nullptr;
    int min_ = 0, max_ = 0;
};

}  // namespace vantrel::ui

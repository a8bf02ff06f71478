// The standard controls as objects on the one window base (TWindow): each is made by its object
// or taken over from a window made elsewhere, and raises its own events. Helpers over a control's
// window (text, check state, list items) stay for code that holds only the handle.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "platform/Text.h"
#include "ui/Window.h"

namespace vantrel::ui {

void SetFontOfChildren(HWND parent, HFONT font);
// Registers a window class of this module with an arrow cursor, unless it is registered
// already; false when registering fails. A null background leaves the painting to the window.
bool RegisterClassOnce(const wchar_t* className, WNDPROC proc, HBRUSH background, HICON icon = nullptr);
// The usual styles of a page's controls.
constexpr DWORD kTabStop = WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kPushButton = kTabStop | BS_PUSHBUTTON;
constexpr DWORD kCheckBox = kTabStop | BS_AUTOCHECKBOX;
constexpr DWORD kEditStyle = kTabStop | ES_AUTOHSCROLL;
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

// A static text, or with another SS_ style a line or frame.
class TLabel : public TWindow {
  public:
    bool Create(HWND parent, const wchar_t* caption, DWORD style = SS_LEFT, UINT id = 0);
};

class TGroupBox : public TWindow {
  public:
    bool Create(HWND parent, const wchar_t* caption);
};

// An edit; onChange runs after each change of its text.
class TEdit : public TWindow {
  public:
    bool Create(HWND parent, UINT id, DWORD style = kEditStyle, DWORD exStyle = WS_EX_CLIENTEDGE);
    // 0 lifts the limit of the text's length.
    void SetLimit(size_t chars);
    std::function<void()> onChange;

  protected:
    bool OnReflectedCommand(UINT code) override;
};

// A list box in which several items can be selected.
class TListBox : public TWindow {
  public:
    bool Create(HWND parent, UINT id);
    StringList Items() const { return ListItems(Handle()); }
    void Add(const std::wstring& item) { ListAdd(Handle(), item); }
    void SetSelected(int index, bool selected) { ListSetSelected(Handle(), index, selected); }
    void DeleteSelected() { ListDeleteSelected(Handle()); }
};

// An up-down control beside the window it counts for (its buddy). min == max means no range.
class TUpDown : public TWindow {
  public:
    bool Create(HWND parent, int minValue, int maxValue);
    // Takes buddy again, and sits at its right end as it is placed now.
    void SetBuddy(HWND buddy);
};

// A push button, check box or radio button; onClick runs on each click (after a check box has
// taken its new state).
class TButton : public TWindow {
  public:
    bool Create(HWND parent, const wchar_t* caption, DWORD style, UINT id = 0);
    bool Checked() const { return IsChecked(Handle()); }
    void SetChecked(bool checked) { ui::SetChecked(Handle(), checked); }
    std::function<void()> onClick;

  protected:
    bool OnReflectedCommand(UINT code) override;
};

// A tab strip; onChange runs when the user picks another tab.
class TTabControl : public TWindow {
  public:
    bool Create(HWND parent, UINT id, std::initializer_list<const wchar_t*> titles);
    int Selected() const;
    void Select(int index);
    std::function<void()> onChange;

  protected:
    bool OnReflectedNotify(const NMHDR* header, LRESULT& result) override;
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
    HWND Edit() const { return edit_.Handle(); }
    HWND UpDown() const { return upDown_.Handle(); }
    // The number shown; text that is no whole number in range is replaced by the value read.
    int Value();
    void SetValue(int value);
    void SetEnabled(bool enabled);
    void Place(int x, int y, int width, int height, UINT dpi, int dx = 0, int dy = 0);

  private:
    TEdit edit_;
    TUpDown upDown_;
    int min_ = 0, max_ = 0;
};

}  // namespace vantrel::ui

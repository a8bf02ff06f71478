// The window base under Wine: a control that handles its own messages still hears its
// notifications through its parent, a control taken over from elsewhere behaves as one made by
// its object, and no window is left pointing at an object, nor an object at a window, once
// either is gone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/Window.h"

namespace vantrel::ui {
namespace {

constexpr UINT kEditId = 10;
constexpr UINT kButtonId = 20;

// A top-level window that writes down the notifications its controls left to it.
class THost : public TWindow {
  public:
    THost() {
        WindowArgs args;
        args.className = L"VantrelControlsTestHost";
        args.style = WS_POPUP;
        args.x = args.y = 0;
        args.width = args.height = 200;
        Create(args);
    }
    std::vector<UINT> commands;  // the notification codes of WM_COMMAND that reached the host
    UINT colorRequests = 0;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_COMMAND) commands.push_back(HIWORD(wParam));
        if (msg == WM_CTLCOLOREDIT) ++colorRequests;
        return Default(msg, wParam, lParam);
    }
};

// An edit that sees the characters typed into it, swallows 'x' and paints its own background.
class TTypingEdit : public TEdit {
  public:
    std::wstring seen;
    HBRUSH brush = GetSysColorBrush(COLOR_INFOBK);

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_CHAR) {
            seen += static_cast<wchar_t>(wParam);
            if (wParam == L'x') return 0;
        }
        return Default(msg, wParam, lParam);
    }
    HBRUSH OnReflectedColor(HDC) override { return brush; }
};

bool Has(const std::vector<UINT>& codes, UINT code) {
    for (UINT c : codes)
        if (c == code) return true;
    return false;
}

TEST(Controls, ASubclassedControlAlsoHearsItsNotifications) {
    THost host;
    ASSERT_NE(host.Handle(), nullptr);
    TTypingEdit edit;
    ASSERT_TRUE(edit.Create(host.Handle(), kEditId));
    EXPECT_EQ(TWindow::FromHandle(edit.Handle()), &edit);
    EXPECT_EQ(GetDlgItem(host.Handle(), kEditId), edit.Handle());
    int changes = 0;
    edit.onChange = [&] { ++changes; };

    // The edit's own procedure still runs behind the object's: 'a' is typed, 'x' is not.
    SendMessageW(edit.Handle(), WM_CHAR, L'a', 0);
    SendMessageW(edit.Handle(), WM_CHAR, L'x', 0);
    SendMessageW(edit.Handle(), WM_CHAR, L'b', 0);
    EXPECT_EQ(edit.seen, L"axb");
    EXPECT_EQ(edit.Text(), L"ab");
    // Each change reached the edit's object through the host, which the object kept from it.
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(Has(host.commands, EN_CHANGE));

    // A notification the object leaves alone goes on to the parent.
    edit.onChange = nullptr;
    edit.SetText(L"c");
    EXPECT_TRUE(Has(host.commands, EN_CHANGE));

    // The background colour is the edit's to choose; the host is not asked.
    HDC dc = GetDC(edit.Handle());
    LRESULT brush = SendMessageW(host.Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(edit.Handle()));
    ReleaseDC(edit.Handle(), dc);
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(edit.brush));
    EXPECT_EQ(host.colorRequests, 0u);
}

HWND MakeButton(HWND parent, UINT id) {
    return CreateWindowExW(0, L"BUTTON", L"&Go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 50, 20, parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

TEST(Controls, AttachedAndDestroyedControlsLeaveNoObjectBehind) {
    THost host;
    ASSERT_NE(host.Handle(), nullptr);

    // A button made elsewhere, taken over: its clicks reach the object as a made one's would.
    HWND made = MakeButton(host.Handle(), kButtonId);
    TButton button;
    ASSERT_TRUE(button.Attach(made));
    EXPECT_EQ(TWindow::FromHandle(made), &button);
    TButton second;
    EXPECT_FALSE(second.Attach(made));                                      // one object per window
    EXPECT_FALSE(button.Attach(MakeButton(host.Handle(), kButtonId + 1)));  // one window per object
    // A window of the base's own classes made without an object has no procedure to hand on to.
    HWND ownClass = CreateWindowExW(0, L"VantrelControlsTestHost", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
    EXPECT_FALSE(second.Attach(ownClass));
    EXPECT_EQ(TWindow::FromHandle(ownClass), nullptr);
    DestroyWindow(ownClass);
    int clicks = 0;
    button.onClick = [&] { ++clicks; };
    SendMessageW(made, BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(Has(host.commands, BN_CLICKED));

    // Destroyed from outside: the object lets go of the window and the handle finds no object.
    DestroyWindow(made);
    EXPECT_EQ(button.Handle(), nullptr);
    EXPECT_EQ(TWindow::FromHandle(made), nullptr);
    SendMessageW(made, BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(button.Attach(MakeButton(host.Handle(), kButtonId + 2)));  // free for another window

    // An object that goes first takes its window with it.
    HWND other = MakeButton(host.Handle(), kButtonId + 3);
    {
        TButton shortLived;
        ASSERT_TRUE(shortLived.Attach(other));
    }
    EXPECT_FALSE(IsWindow(other));
    EXPECT_EQ(TWindow::FromHandle(other), nullptr);

    // The parent's end ends its children's ties too.
    TEdit edit;
    ASSERT_TRUE(edit.Create(host.Handle(), kEditId));
    HWND editWindow = edit.Handle();
    host.Destroy();
    EXPECT_EQ(host.Handle(), nullptr);
    EXPECT_EQ(edit.Handle(), nullptr);
    EXPECT_EQ(button.Handle(), nullptr);
    EXPECT_EQ(TWindow::FromHandle(editWindow), nullptr);
    EXPECT_FALSE(edit.CreateControl(nullptr, L"NoSuchClass", L"", 0));  // nothing made, nothing tied
    EXPECT_EQ(edit.Handle(), nullptr);
}

}  // namespace
}  // namespace vantrel::ui

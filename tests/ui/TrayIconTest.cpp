#include "ui/TrayIcon.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

namespace vantrel {
namespace {

constexpr UINT kCallback = WM_APP + 1;

// A hidden owner window whose procedure hands the tray messages to the icon, as the main window will.
class TrayOwner : public ::testing::Test {
  protected:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TrayOwner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && self->icon) {
            if (msg == kCallback && self->icon->HandleCallback(wParam, lParam)) return 0;
            if (msg == TrayIcon::TaskbarCreatedMessage()) {
                self->icon->OnTaskbarCreated();
                return 0;
            }
        }
        if (self && msg == WM_NULL) ++self->nulls;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VantrelTrayTestOwner";
        RegisterClassW(&wc);
        owner = CreateWindowExW(0, wc.lpszClassName, L"tray owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, wc.hInstance, nullptr);
        ASSERT_NE(owner, nullptr);
        SetWindowLongPtrW(owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        icon = std::make_unique<TrayIcon>(owner, kCallback);
        icon->SetIcon(LoadIconW(nullptr, IDI_APPLICATION));
    }
    void TearDown() override {
        icon.reset();
        DestroyWindow(owner);
    }

    // Runs the owner's messages for ms milliseconds (timers included).
    void Pump(DWORD ms) {
        PumpUntil([] { return false; }, ms);
    }
    // Runs the owner's messages until done() holds or ms milliseconds have passed; whether it held.
    bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
        const DWORD start = GetTickCount();
        MSG msg;
        while (GetTickCount() - start < ms) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            if (done()) return true;
            Sleep(10);
        }
        return done();
    }
    // A call to the shell about the owner's icon id, with nothing else set but a tip if given.
    bool ShellCall(DWORD message, const wchar_t* tip = nullptr) {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof(data);
        data.hWnd = owner;
        data.uID = icon->Id();
        if (tip) {
            data.uFlags = NIF_TIP;
            lstrcpynW(data.szTip, tip, 64);
        }
        return Shell_NotifyIconW(message, &data) != FALSE;
    }
    // The shell's own answer: whether it knows an icon under the owner and the icon's id.
    bool ShellHasIcon() { return ShellCall(NIM_MODIFY, L"probe"); }
    // An entry the shell holds under the owner and the icon's id, as one left behind by another
    // program run or a taskbar that took the icon while reporting a failure.
    bool AddBlocker() { return ShellCall(NIM_ADD); }
    bool ForgetIcon() { return ShellCall(NIM_DELETE); }

    // A version-4 notification: the event and the icon's id in lParam, the point in wParam.
    void Notify(UINT event, int x = 0, int y = 0) {
        SendMessageW(owner, kCallback, MAKEWPARAM(static_cast<WORD>(x), static_cast<WORD>(y)),
                     MAKELPARAM(event, icon->Id()));
    }

    HWND owner = nullptr;
    std::unique_ptr<TrayIcon> icon;
    int nulls = 0;
};

// A timer procedure has the system's calling convention, which a lambda does not have on x86.
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD) {
    EndMenu();
}

TEST_F(TrayOwner, ShowHintAndHide) {
    EXPECT_FALSE(icon->Visible());
    EXPECT_TRUE(icon->SetHint(L"Desktop Vantrel - Running"));  // remembered while hidden
    ASSERT_TRUE(icon->Show());
    EXPECT_TRUE(icon->Visible());
    EXPECT_TRUE(icon->SetHint(L"Desktop Vantrel - Paused"));
    EXPECT_EQ(icon->Hint(), L"Desktop Vantrel - Paused");
    EXPECT_TRUE(icon->SetHint(std::wstring(300, L'x')));  // longer than the shell's tip: cut, not refused

    EXPECT_TRUE(icon->Hide());
    EXPECT_FALSE(icon->Visible());
    EXPECT_FALSE(ForgetIcon());  // the shell no longer knows the icon
}

// The icon comes back on "TaskbarCreated" after the shell forgot it (a restarted Explorer) or kept
// it (a taskbar that merely changed), and after the shell refused to add it, on "TaskbarCreated"
// or by the retry timer. Hidden, it is neither added nor tried again.
TEST_F(TrayOwner, AVisibleIconComesBackWhenTheShellForgotOrRefusedIt) {
    ASSERT_TRUE(icon->Show());
    ASSERT_TRUE(ForgetIcon());
    ASSERT_FALSE(ShellHasIcon());
    SendMessageW(owner, TrayIcon::TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(icon->Added());
    EXPECT_TRUE(icon->SetHint(L"Desktop Vantrel - Running"));  // the shell takes changes again
    EXPECT_TRUE(ShellHasIcon());

    SendMessageW(owner, TrayIcon::TaskbarCreatedMessage(), 0, 0);  // still there: added again all the same
    EXPECT_TRUE(icon->Added());
    EXPECT_TRUE(ShellHasIcon());

    for (bool byTimer : {false, true}) {
        // Turned off and on again while the shell holds an entry under the icon's id: refused.
        ASSERT_TRUE(icon->Hide());
        ASSERT_TRUE(AddBlocker());
        EXPECT_FALSE(icon->Show());
        EXPECT_TRUE(icon->Visible());
        EXPECT_FALSE(icon->Added());
        if (byTimer) {
            EXPECT_TRUE(PumpUntil([&] { return icon->Added(); }, TrayIcon::kRetryMs + 5000));
        } else {
            SendMessageW(owner, TrayIcon::TaskbarCreatedMessage(), 0, 0);
            EXPECT_TRUE(icon->Added());
        }
        EXPECT_TRUE(icon->SetHint(L"Desktop Vantrel - Paused")) << byTimer;
        EXPECT_TRUE(ShellHasIcon()) << byTimer;
    }

    EXPECT_TRUE(icon->Hide());
    EXPECT_FALSE(ShellHasIcon());
    SendMessageW(owner, TrayIcon::TaskbarCreatedMessage(), 0, 0);
    EXPECT_FALSE(icon->Added());
    EXPECT_FALSE(ShellHasIcon());
}

TEST_F(TrayOwner, DoubleClickIsToldApartFromAClick) {
    ASSERT_TRUE(icon->Show());
    int clicks = 0;
    int doubles = 0;
    icon->onClick = [&] { ++clicks; };
    icon->onDoubleClick = [&] { ++doubles; };

    Notify(NIN_SELECT);
    EXPECT_EQ(clicks, 0);  // not before the double-click time has passed
    Pump(GetDoubleClickTime() + 300);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(doubles, 0);

    // The shell's order for a double click: select, double click, select.
    Notify(NIN_SELECT);
    Notify(WM_LBUTTONDBLCLK);
    Notify(NIN_SELECT);
    Pump(GetDoubleClickTime() + 300);
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(clicks, 1);
}

TEST_F(TrayOwner, RightClickReportsSignedCoordinatesAndShowsTheMenu) {
    ASSERT_TRUE(icon->Show());
    int gotX = 0;
    int gotY = 0;
    icon->onContextMenu = [&](int x, int y) {
        gotX = x;
        gotY = y;
    };
    Notify(WM_CONTEXTMENU, -1200, 300);  // a screen left of the primary one
    EXPECT_EQ(gotX, -1200);
    EXPECT_EQ(gotY, 300);

    // Another icon's notification is not this one's.
    EXPECT_FALSE(icon->HandleCallback(0, MAKELPARAM(WM_CONTEXTMENU, icon->Id() + 1)));

    // The menu runs modally; a timer closes it as a click elsewhere would.
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 100, L"&Exit");
    SetTimer(owner, 7, 300, CloseMenu);
    const BOOL chosen = icon->ShowPopupMenu(menu, 10, 10, TPM_RIGHTBUTTON | TPM_RETURNCMD);
    KillTimer(owner, 7);
    DestroyMenu(menu);
    EXPECT_EQ(chosen, 0);
    nulls = 0;
    Pump(100);
    EXPECT_EQ(nulls, 1);  // the WM_NULL that lets the next right click open the menu again
}

}  // namespace
}  // namespace vantrel

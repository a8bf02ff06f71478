// The real main window on the prefix's real platform when things go wrong around it: a settings
// file held by another program or far too long, a log that cannot be emptied, hotkeys while the
// folder picker is open, errors that escape an action, and the window's GDI and USER objects over
// many openings and closings.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/About.h"
#include "app/Folder.h"
#include "support/DialogWatch.h"
#include "support/MainFixture.h"

namespace vantrel {
namespace {

using test::RealForm;
using test::StopWatchingDialogs;
using test::WatchForDialog;

constexpr UINT kMods = MOD_ALT | MOD_CONTROL | MOD_SHIFT;

class Faults : public RealForm {
  protected:
    void TearDown() override {
        StopWatchingDialogs();
        RealForm::TearDown();
    }
    void WriteSettings(const std::string& bytes) {
        CreateDirectoryW(world.dataFolder.c_str(), nullptr);
        HANDLE file = CreateFileW(SettingsFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        ASSERT_EQ(written, bytes.size());
    }
    std::wstring LogFile() { return world.dataFolder + L"Log.txt"; }
};

// A user's settings that differ from the defaults.
std::string UsersSettings() {
    Settings s = DefaultSettings(L"C:\\users-own-target\\");
    s.QuickNote = true;
    s.TryCount = 7;
    return SettingsToBytes(s);
}

TEST_F(Faults, ASettingsFileHeldAtStartIsNeverWrittenOverInThatRun) {
    const std::string users = UsersSettings();
    WriteSettings(users);
    // Another program holds the file without sharing while the program starts.
    HANDLE held = CreateFileW(SettingsFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const DWORD start = GetTickCount();
    MakeOptions();
    EXPECT_GE(GetTickCount() - start, (kSettingsReadAttempts - 1) * kSettingsReadRetryMs - 50);  // tried again
    CloseHandle(held);
    EXPECT_TRUE(options->SettingsFileKept());
    EXPECT_FALSE(options->QuickNote());  // the defaults are in force

    Build();
    Click(form->SaveButton());
    EXPECT_EQ(SettingsBytes(), users);
    ASSERT_EQ(shell.refusals.size(), 1u);
    EXPECT_NE(shell.refusals[0].find(SettingsFile()), std::wstring::npos);
    Hotkey(3, kMods, 'I');  // the icon hotkey saves at once
    EXPECT_EQ(SettingsBytes(), users);
    EXPECT_EQ(shell.refusals.size(), 2u);
}

TEST_F(Faults, AFiveMebibyteSettingsFileGivesTheDefaultsAndIsLeftAlone) {
    std::string huge = UsersSettings();
    const std::string tag("<\0T\0a\0g\0/\0>\0", 12);
    while (huge.size() < 5 * 1024 * 1024)
        huge += tag;
    WriteSettings(huge);
    const DWORD start = GetTickCount();
    MakeOptions();
    EXPECT_LT(GetTickCount() - start, 500u);  // not read, not waited for
    EXPECT_TRUE(options->SettingsFileKept());
    EXPECT_EQ(options->Snapshot(), DefaultSettings(options->DestinationFolder()));
    Build();
    Click(form->SaveButton());
    EXPECT_EQ(shell.refusals.size(), 1u);
    EXPECT_EQ(SettingsBytes(), huge);
}

TEST_F(Faults, ALogThatCannotBeEmptiedShowsAnErrorAndKeepsItsText) {
    Build();
    Choose(kShowAction);
    form->SelectPage(kMiscPage);
    options->Logger()->AddLine(L"kept");
    const std::string before = test::FileBytes(LogFile());
    // A program that maps the file keeps it from being cut.
    HANDLE reader = CreateFileW(LogFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingW(reader, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);

    ui::SetText(MiscPage().LogMemo(), L"shown before");
    Click(MiscPage().ClearLogButton());
    EXPECT_EQ(ui::GetText(MiscPage().LogMemo()), L"shown before\r\nError clear log file. Error code: 1224");
    EXPECT_EQ(test::FileBytes(LogFile()), before);

    UnmapViewOfFile(view);
    CloseHandle(mapping);
    CloseHandle(reader);
    Click(MiscPage().ClearLogButton());
    EXPECT_EQ(ui::GetText(MiscPage().LogMemo()), L"Log cleared");
    EXPECT_NE(LogText().find(L"-> Log cleared by: "), std::wstring::npos);
    EXPECT_EQ(LogText().find(L"kept"), std::wstring::npos);
}

// Steps run one by one from a thread timer, inside whatever loop the thread runs then.
std::vector<std::function<void()>> steps;
void CALLBACK NextStep(HWND, UINT, UINT_PTR id, DWORD) {
    if (steps.empty()) {
        KillTimer(nullptr, id);
        return;
    }
    auto step = steps.front();
    steps.erase(steps.begin());
    step();
}

TEST_F(Faults, HotkeysWorkWhileTheFolderPickerIsOpen) {
    Build();
    HWND main = form->Handle();
    HWND picker = nullptr;
    bool shownWhileOpen = false, iconWhileOpen = true;
    steps = {
        [&] { PostMessageW(main, WM_HOTKEY, 1, MAKELPARAM(kMods, 'H')); },
        [&] {
            shownWhileOpen = IsWindowVisible(main) != FALSE;
            PostMessageW(main, WM_HOTKEY, 3, MAKELPARAM(kMods, 'I'));
        },
        [&] {
            iconWhileOpen = options->ShowIcon();
            PostMessageW(main, WM_HOTKEY, 2, MAKELPARAM(kMods, 'X'));
        },
    };
    // The hotkeys are posted while the picker's own loop runs.
    WatchForDialog(L"Select folder", [&](HWND dialog) {
        picker = dialog;
        SetTimer(nullptr, 0, 300, NextStep);
    });
    Click(FoldersPage().TntButton3());  // returns once the picker has gone
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(steps.empty());
    steps.clear();
    EXPECT_TRUE(shownWhileOpen);             // H showed the hidden window
    EXPECT_FALSE(iconWhileOpen);             // I hid the icon
    EXPECT_FALSE(SavedSettings().ShowIcon);  // and saved that
    // X ended the program: the window and the picker are gone.
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(IsWindow(picker));
}

// Closes every message box of this thread that bears the program's title, counting them.
int boxesClosed = 0;
BOOL CALLBACK CloseBox(HWND hwnd, LPARAM) {
    wchar_t cls[16] = {}, title[64] = {};
    GetClassNameW(hwnd, cls, 16);
    GetWindowTextW(hwnd, title, 64);
    if (wcscmp(cls, L"#32770") == 0 && wcscmp(title, kAppTitle) == 0 && IsWindowVisible(hwnd)) {
        ++boxesClosed;
        PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}
void CALLBACK CloseBoxes(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), CloseBox, 0);
}

TEST_F(Faults, AnErrorEscapingAnActionIsLoggedAsOneLineShownOnceAndTheProgramGoesOn) {
    WriteSettings(std::string(2 * 1024 * 1024, 'x'));  // kept: a save shows a message
    Build();
    ui::TApplication::Instance().Title = kAppTitle;
    shell.failure = "no room\r\nfor the message";
    boxesClosed = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, CloseBoxes);
    Hotkey(3, kMods, 'I');  // through the application's filter
    shell.failure = "shell gone";
    Choose(kOpenTargetFolderAction);  // through the window's procedure
    KillTimer(nullptr, timer);
    EXPECT_EQ(boxesClosed, 2);
    const std::wstring log = LogText();
    EXPECT_NE(log.find(L"-> Error: no room  for the message\r\n"), std::wstring::npos);
    EXPECT_NE(log.find(L"-> Error: shell gone\r\n"), std::wstring::npos);
    // The program goes on.
    Hotkey(1, kMods, 'H');
    EXPECT_TRUE(Shown());
}

// GDI objects of this process: the system's count, or where it counts none (Wine), the live
// entries of the process's GDI handle table, which answer to their index alone.
DWORD GdiObjects() {
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (n != 0) return n;
    for (UINT_PTR i = 1; i < 0x10000; ++i)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0) ++n;
    return n;
}

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM count) {
    ++*reinterpret_cast<DWORD*>(count);
    EnumChildWindows(hwnd, CountWindow, count);
    return TRUE;
}

// USER objects: the system's count, or this thread's windows with all their children and the
// menus, found in the USER handle table by their index alone.
DWORD UserObjects() {
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (n != 0) return n;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&n));
    for (UINT_PTR i = 0x20; i < 0x4000; i += 2)
        if (IsMenu(reinterpret_cast<HMENU>(i))) ++n;
    return n;
}

void CALLBACK EndTheMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}

TEST_F(Faults, OpeningAndClosingEveryWindowAndPageTwentyTimesKeepsTheHandleCounts) {
    Build();
    HWND main = form->Handle();
    WatchForDialog(L"Select folder",
                   [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
    auto round = [&] {
        Hotkey(1, kMods, 'H');  // shown
        for (int page : {kFilesPage, kFoldersPage, kMiscPage}) {
            form->SelectPage(page);
            UpdateWindow(main);
        }
        Click(MiscPage().ViewLogButton());
        Click(MiscPage().ClearLogButton());
        // Another monitor's DPI and back: new fonts and radio marks each time.
        for (UINT dpi : {144u, 96u}) {
            RECT r;
            GetWindowRect(main, &r);
            SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
        }
        steps = {[&] { PostMessageW(form->AboutForm()->Handle(), WM_KEYDOWN, VK_ESCAPE, 0); }};
        SetTimer(nullptr, 0, 100, NextStep);
        Click(form->AboutButton());         // returns when the box has closed
        Click(FoldersPage().TntButton3());  // the picker, cancelled at once
        SetTimer(nullptr, 0, 100, EndTheMenu);
        SendMessageW(main, kTrayCallback, MAKEWPARAM(100, 100),
                     MAKELPARAM(WM_CONTEXTMENU, form->TrayControlIcon().Id()));
        form->SetTrayIconVisible(false);
        form->SetTrayIconVisible(true);
        Hotkey(1, kMods, 'H');  // hidden
        PumpFor(50);
    };
    round();  // the first round makes what is kept (the About box, the picker)
    const DWORD gdi = GdiObjects(), user = UserObjects();
    for (int i = 0; i < 20; ++i)
        round();
    const DWORD gdiAfter = GdiObjects(), userAfter = UserObjects();
    std::printf("GDI objects %lu -> %lu, USER objects %lu -> %lu over 20 rounds\n", gdi, gdiAfter, user, userAfter);
    EXPECT_GT(gdi, 0u);
    EXPECT_GT(user, 0u);
    EXPECT_LE(gdiAfter, gdi);
    EXPECT_LE(userAfter, user);
    EXPECT_FALSE(Shown());
}

}  // namespace
}  // namespace vantrel

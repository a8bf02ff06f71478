// The tray side of the real main window on the prefix's real platform: the popup menu, showing,
// hiding and pausing with the tray hint, the message filter's rows, the icon hotkey, choosing a
// target in "Se&lect", the shell verbs and the window handing a new taskbar to its icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/Journal.h"
#include "support/MainFixture.h"
#include "support/WaitFor.h"
#include "support/WindowText.h"

namespace vantrel {
namespace {

using test::AccessKey;
using test::RealForm;

constexpr UINT kMods = MOD_ALT | MOD_CONTROL | MOD_SHIFT;

std::wstring EntryText(HMENU menu, UINT position) {
    wchar_t text[512] = {};
    GetMenuStringW(menu, position, text, 512, MF_BYPOSITION);
    return text;
}
bool EntryChecked(HMENU menu, UINT id) {
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}
bool EntryGreyed(HMENU menu, UINT id) {
    return (GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) != 0;
}
// The marked entries of a submenu, by position.
std::vector<UINT> Marked(HMENU menu) {
    std::vector<UINT> marked;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED)
            marked.push_back(static_cast<UINT>(i));
    return marked;
}
std::vector<std::wstring> Captions(HMENU menu) {
    std::vector<std::wstring> captions;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        captions.push_back(EntryText(menu, static_cast<UINT>(i)));
    return captions;
}

class Tray : public RealForm {
  protected:
    // The state the tray shows, as one row of the table.
    struct Row {
        bool shown, switchOn, paused, pauseEnabled, showChecked;
        std::wstring hint;
        bool operator==(const Row&) const = default;
    };
    Row Now() {
        return Row{Shown(),
                   Action(L"PauseAction").Checked(),
                   options->Paused.load(),
                   Action(L"PauseAction").Enabled(),
                   Action(L"ShowAction").Checked(),
                   form->TrayControlIcon().Hint()};
    }
    // The menu's entries follow their actions.
    void ExpectMenuFollowsActions() {
        HMENU menu = form->PopupMenu();
        EXPECT_EQ(EntryChecked(menu, kShowAction), Action(L"ShowAction").Checked());
        EXPECT_EQ(EntryChecked(menu, kPauseAction), Action(L"PauseAction").Checked());
        EXPECT_EQ(EntryGreyed(menu, kPauseAction), !Action(L"PauseAction").Enabled());
        EXPECT_FALSE(EntryGreyed(menu, kShowAction));
    }
    // A double click on the icon as the shell (version 4) reports it: select, double click, select.
    void DoubleClickIcon() {
        for (UINT event :
             {static_cast<UINT>(NIN_SELECT), static_cast<UINT>(WM_LBUTTONDBLCLK), static_cast<UINT>(NIN_SELECT)})
            PostMessageW(form->Handle(), kTrayCallback, MAKEWPARAM(900, 700),
                         MAKELPARAM(event, form->TrayControlIcon().Id()));
        Pump();
    }
    void PressCloseButton() {
        RECT outer;
        GetWindowRect(form->Handle(), &outer);
        PostMessageW(form->Handle(), WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(outer.right - 10, outer.top + 10));
        Pump();
    }
};

const std::wstring kRunning = L"Desktop Vantrel - Running";
const std::wstring kPaused = L"Desktop Vantrel - Paused";

TEST_F(Tray, PopupMenuHasItsEntriesInOrderEachRunningItsAction) {
    MakeOptions();
    // Alternates whose names hold an "&" of their own.
    options->SetAlternateFolders({L"U:\\&Undone\\", L"N:\\&New\\"});
    Build();
    HMENU menu = form->PopupMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Captions(menu), (std::vector<std::wstring>{L"&Explore", L"&Open", L"Tidy &now", L"Se&lect", L"",
                                                         L"View log", L"", L"&Show", L"", L"&Paused", L"", L"A&bout...",
                                                         L"", L"&Undo last move", L"&Exit"}));
    const UINT ids[] = {kExploreTargetFolderAction,
                        kOpenTargetFolderAction,
                        kTidyAction,
                        0,
                        0,
                        kViewLogAction,
                        0,
                        kShowAction,
                        0,
                        kPauseAction,
                        0,
                        kAboutAction,
                        0,
                        kUndoAction,
                        kExitAction};
    for (UINT i = 0; i < 15; ++i) {
        if (ids[i] != 0) {
            EXPECT_EQ(GetMenuItemID(menu, static_cast<int>(i)), ids[i]) << i;
        } else if (i == 3) {
            EXPECT_EQ(GetSubMenu(menu, 3), form->MenuSelect());
        } else {
            EXPECT_TRUE(GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) << i;
        }
    }
    // N and U open the two journal commands alone, in the whole menu and in "Se&lect".
    std::wstring keys;
    for (HMENU m : {menu, form->MenuSelect()})
        for (const std::wstring& caption : Captions(m))
            if (wchar_t key = AccessKey(caption)) keys += static_cast<wchar_t>(towlower(key));
    EXPECT_EQ(std::count(keys.begin(), keys.end(), L'n'), 1) << keys;
    EXPECT_EQ(std::count(keys.begin(), keys.end(), L'u'), 1) << keys;
    // Nothing to undo yet; a tidy may always be asked for.
    EXPECT_TRUE(EntryGreyed(menu, kUndoAction));
    EXPECT_FALSE(EntryGreyed(menu, kTidyAction));
    // "Se&lect": the target, marked, then the alternates in order; radio entries.
    EXPECT_EQ(Captions(form->MenuSelect()),
              (std::vector<std::wstring>{options->DestinationFolder(), L"U:\\&&Undone\\", L"N:\\&&New\\"}));
    EXPECT_EQ(Marked(form->MenuSelect()), (std::vector<UINT>{0}));
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(form->MenuSelect(), 0, TRUE, &info);
    EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
    EXPECT_TRUE(form->TrayControlIcon().Visible());
}

TEST_F(Tray, StateTableRowByRow) {
    Build();
    TLogger* log = options->Logger();
    const Row hiddenRunning{false, false, false, true, false, kRunning};
    const Row hiddenPaused{false, true, true, true, false, kPaused};
    const Row shownOff{true, false, true, false, true, kPaused};
    const Row shownOn{true, true, true, false, true, kPaused};

    EXPECT_EQ(Now(), hiddenRunning);  // the start
    EXPECT_FALSE(log->UseLock());
    ExpectMenuFollowsActions();

    Choose(kShowAction);  // "&Show" in the tray menu
    EXPECT_EQ(Now(), shownOff);
    EXPECT_TRUE(log->UseLock());
    EXPECT_EQ(GetForegroundWindow(), form->Handle());
    ExpectMenuFollowsActions();
    EXPECT_TRUE(EntryGreyed(form->PopupMenu(), kPauseAction));
    EXPECT_TRUE(EntryChecked(form->PopupMenu(), kShowAction));
    Choose(kPauseAction);  // greyed: nothing happens
    EXPECT_EQ(Now(), shownOff);

    Click(form->HideButton());  // back to the row of the switch: off
    EXPECT_EQ(Now(), hiddenRunning);
    EXPECT_FALSE(log->UseLock());
    ExpectMenuFollowsActions();

    Choose(kPauseAction);  // the user's pause
    EXPECT_EQ(Now(), hiddenPaused);
    ExpectMenuFollowsActions();
    EXPECT_TRUE(EntryChecked(form->PopupMenu(), kPauseAction));

    Choose(kShowAction);
    EXPECT_EQ(Now(), shownOn);
    EXPECT_TRUE(log->UseLock());
    Click(form->HideButton());  // the switch still on: still paused
    EXPECT_EQ(Now(), hiddenPaused);
    EXPECT_FALSE(log->UseLock());

    Choose(kPauseAction);  // unchecking resumes
    EXPECT_EQ(Now(), hiddenRunning);
    ExpectMenuFollowsActions();
}

TEST_F(Tray, CloseButtonHideDoubleClickAndHotkeyHideAShownWindow) {
    Build();
    const std::vector<std::pair<const char*, std::function<void()>>> hiders = {
        {"close button", [&] { PressCloseButton(); }},
        {"Hide", [&] { Click(form->HideButton()); }},
        {"double click", [&] { DoubleClickIcon(); }},
        {"H hotkey", [&] { Hotkey(1, kMods, 'H'); }},
        {"close command", [&] {
             PostMessageW(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
             Pump();
         }}};
    for (const auto& [name, hide] : hiders) {
        Choose(kShowAction);
        ASSERT_TRUE(Shown()) << name;
        hide();
        EXPECT_FALSE(Shown()) << name;
        EXPECT_FALSE(options->Paused) << name;
        EXPECT_EQ(form->TrayControlIcon().Hint(), kRunning) << name;
        EXPECT_TRUE(IsWindow(form->Handle())) << name;  // hidden, not closed
    }
    // The double click and H also show a hidden window.
    DoubleClickIcon();
    EXPECT_TRUE(Shown());
    Hotkey(1, kMods, 'H');
    EXPECT_FALSE(Shown());
    Hotkey(1, kMods, 'H');
    EXPECT_TRUE(Shown());
    EXPECT_EQ(form->TrayControlIcon().Hint(), kPaused);
}

// While the desktop monitor does not watch, the hint says so whatever the user switches; once it
// watches again the hint follows the pause as before.
TEST_F(Tray, TheHintSaysWhenTheDesktopIsNotWatched) {
    Build();
    const std::wstring notWatching = L"Desktop Vantrel - Not watching";
    auto tell = [&](bool watching) {
        PostMessageW(form->Handle(), kWatchChanged, watching ? TRUE : FALSE, 0);
        Pump();
    };
    tell(false);
    EXPECT_EQ(form->TrayControlIcon().Hint(), notWatching);
    Choose(kPauseAction);
    EXPECT_EQ(form->TrayControlIcon().Hint(), notWatching);
    Choose(kShowAction);
    Click(form->HideButton());
    EXPECT_EQ(form->TrayControlIcon().Hint(), notWatching);
    tell(true);
    EXPECT_EQ(form->TrayControlIcon().Hint(), kPaused);
    Choose(kPauseAction);
    EXPECT_EQ(form->TrayControlIcon().Hint(), kRunning);
}

TEST_F(Tray, AWindowHiddenWhileMinimisedComesBackRestored) {
    Build();
    Hotkey(1, kMods, 'H');
    ShowWindow(form->Handle(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(form->Handle()));
    Hotkey(1, kMods, 'H');
    EXPECT_FALSE(Shown());
    Hotkey(1, kMods, 'H');
    EXPECT_TRUE(Shown());
    EXPECT_FALSE(IsIconic(form->Handle()));
    EXPECT_TRUE(options->Paused);
}

// A window of the test's own that would hand a press on its frame to nobody.
LRESULT CALLBACK OtherProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCLBUTTONDOWN) {
        SetPropW(hwnd, L"pressed", reinterpret_cast<HANDLE>(1));
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(Tray, OnlyAPressOnTheMainWindowsOwnCloseButtonHidesIt) {
    Build();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = OtherProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VantrelOtherWindow";
    RegisterClassW(&wc);
    // Another window lying exactly over the main window.
    RECT outer;
    GetWindowRect(form->Handle(), &outer);
    HWND other =
        CreateWindowExW(0, wc.lpszClassName, L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, outer.left, outer.top,
                        outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(other, nullptr);
    const LPARAM corner = MAKELPARAM(outer.right - 10, outer.top + 10);

    for (bool shown : {false, true}) {
        if (shown) Choose(kShowAction);
        ASSERT_EQ(Shown(), shown);
        // Another window's close button in the same place: the main window stays as it is, and
        // the press reaches the window it was for.
        RemovePropW(other, L"pressed");
        PostMessageW(other, WM_NCLBUTTONDOWN, HTCLOSE, corner);
        Pump();
        EXPECT_EQ(Shown(), shown);
        EXPECT_NE(GetPropW(other, L"pressed"), nullptr);
        // The main window's caption at the close button's place is no close button.
        MSG msg = {form->Handle(), WM_NCLBUTTONDOWN, HTCAPTION, corner, 0, {0, 0}};
        bool handled = true;
        form->ApplicationHotKeyEventsMessage(msg, handled);
        EXPECT_FALSE(handled);
        EXPECT_EQ(Shown(), shown);
    }
    PressCloseButton();
    EXPECT_FALSE(Shown());
    RemovePropW(other, L"pressed");
    DestroyWindow(other);
}

TEST_F(Tray, HotkeysAreToldApartByModifiersAndKeyAndOthersAreSwallowed) {
    Build();
    // The ids do not matter: H by the exit hotkey's id still shows the window.
    Hotkey(2, kMods, 'H');
    EXPECT_TRUE(Shown());
    for (auto [mods, key] : {std::pair<UINT, UINT>{kMods, 'Q'}, {MOD_CONTROL | MOD_ALT, 'X'}, {kMods, 'h'}}) {
        MSG msg = {form->Handle(), WM_HOTKEY, 2, MAKELPARAM(mods, key), 0, {0, 0}};
        bool handled = false;
        form->ApplicationHotKeyEventsMessage(msg, handled);
        EXPECT_TRUE(handled);
        Hotkey(2, mods, key);
        EXPECT_TRUE(IsWindow(form->Handle()));
        EXPECT_TRUE(Shown());
        EXPECT_TRUE(form->TrayControlIcon().Visible());
    }
}

TEST_F(Tray, IconHotkeyTogglesAndSavesTheCurrentValuesNotTheUnsavedEdits) {
    MakeOptions();
    options->SetTryCount(5);  // a current value that the file does not hold yet
    Build();
    ASSERT_TRUE(form->TrayControlIcon().Visible());
    ASSERT_TRUE(ui::IsChecked(MiscPage().IconCheckBox()));
    // Unsaved edits in the window.
    ui::SetText(FilesPage().AddExtensionEdit(), L"*.unsaved");
    Click(FilesPage().AddButton());
    Toggle(FilesPage().RenameFileCheckBox());

    Hotkey(3, kMods, 'I');
    EXPECT_FALSE(form->TrayControlIcon().Visible());
    EXPECT_FALSE(ui::IsChecked(MiscPage().IconCheckBox()));
    EXPECT_FALSE(options->ShowIcon());
    Settings want = options->Snapshot();
    EXPECT_FALSE(want.ShowIcon);
    EXPECT_EQ(want.TryCount, 5);
    EXPECT_TRUE(want.RenameFile);
    EXPECT_EQ(SavedSettings(), want);

    Hotkey(3, kMods, 'I');
    EXPECT_TRUE(form->TrayControlIcon().Visible());
    EXPECT_TRUE(ui::IsChecked(MiscPage().IconCheckBox()));
    want.ShowIcon = true;
    EXPECT_EQ(SavedSettings(), want);
}

// The entries of "Se&lect" show "&" doubled and stand for their folders as they are; which folders
// and in what order is the target selection's own rule.
TEST_F(Tray, ChoosingATargetSavesItAndMovesTheMarkAndTheTreesCheck) {
    const std::wstring a = L"C:\\Targets\\A\\", rd = L"C:\\R&D\\", c = L"C:\\Targets\\C\\";
    MakeOptions();
    options->SetDestinationFolder(a);
    options->SetAlternateFolders({rd, c});
    Build();
    ASSERT_EQ(FoldersPage().FolderTree().CheckedIndex(), 0);
    const std::vector<std::wstring> captions = {a, L"C:\\R&&D\\", c};
    EXPECT_EQ(Captions(form->MenuSelect()), captions);
    EXPECT_EQ(form->SelectEntryFolder(kSelectFirst + 1), rd);

    DeleteFileW(SettingsFile().c_str());
    Choose(kSelectFirst + 1);
    EXPECT_EQ(options->DestinationFolder(), rd);
    EXPECT_EQ(SavedSettings(), options->Snapshot());    // written
    EXPECT_EQ(Captions(form->MenuSelect()), captions);  // not rebuilt
    EXPECT_EQ(Marked(form->MenuSelect()), (std::vector<UINT>{1}));
    EXPECT_EQ(FoldersPage().FolderTree().CheckedIndex(), 1);

    // The marked entry: nothing changes, nothing is written.
    DeleteFileW(SettingsFile().c_str());
    Choose(kSelectFirst + 1);
    EXPECT_FALSE(test::FileThere(SettingsFile()));
    EXPECT_EQ(options->DestinationFolder(), rd);

    // "&Save" takes the tree in its order and rebuilds the submenu from the settings.
    Click(form->SaveButton());
    EXPECT_EQ(options->DestinationFolder(), rd);
    EXPECT_EQ(options->AlternateFolders(), (StringList{a, c}));
    EXPECT_EQ(Captions(form->MenuSelect()), (std::vector<std::wstring>{L"C:\\R&&D\\", a, c}));
    EXPECT_EQ(Marked(form->MenuSelect()), (std::vector<UINT>{0}));

    // Choosing the marked entry after the rebuild writes nothing either.
    DeleteFileW(SettingsFile().c_str());
    Choose(kSelectFirst);
    EXPECT_FALSE(test::FileThere(SettingsFile()));
    EXPECT_EQ(FoldersPage().FolderTree().CheckedIndex(), 1);  // the tree keeps its order: A, R&D, C
}

TEST_F(Tray, AChosenFolderWithoutANodeLeavesTheTreeUnchecked) {
    const std::wstring a = L"C:\\Targets\\A\\", b = L"C:\\Targets\\B\\";
    MakeOptions();
    options->SetDestinationFolder(a);
    options->SetAlternateFolders({b});
    Build();
    // The node is edited in place to another folder, unsaved.
    FoldersPage().FolderTree().Node(1).Folder = L"C:\\Elsewhere\\";
    Choose(kSelectFirst + 1);
    EXPECT_EQ(options->DestinationFolder(), b);
    EXPECT_EQ(FoldersPage().FolderTree().CheckedIndex(), -1);
}

// One folder typed several ways (letter case, also beyond ASCII, "/" and trailing backslashes) is
// one entry of "Se&lect"; choosing it checks the first node of that folder however it is spelled,
// and the page will not add it once more.
TEST_F(Tray, AFolderTypedSeveralWaysIsOneEntryOneMarkAndOneCheck) {
    const std::wstring c = L"C:\\Targets\\C\\", ziel = L"D:\\Ziel \u00DCbersicht\\";
    MakeOptions();
    options->SetDestinationFolder(c);
    options->SetAlternateFolders({L"c:\\windows", L"C:/Windows/", ziel, L"C:\\WINDOWS\\\\", L"d:/ziel \u00FCbersicht"});
    Build();
    EXPECT_EQ(Captions(form->MenuSelect()), (std::vector<std::wstring>{c, L"c:\\windows", ziel}));
    EXPECT_EQ(Marked(form->MenuSelect()), (std::vector<UINT>{0}));

    EditNode(1, L"C:\\Windows");  // node 1 now reads "C:\\Windows\\", unsaved
    Choose(kSelectFirst + 1);
    EXPECT_EQ(options->DestinationFolder(), L"c:\\windows");
    EXPECT_EQ(Marked(form->MenuSelect()), (std::vector<UINT>{1}));
    EXPECT_EQ(FoldersPage().FolderTree().CheckedIndex(), 1);

    Type(FoldersPage().DestinationEdit(), L"c:/WINDOWS");
    Click(FoldersPage().TntButton1());
    EXPECT_EQ(FoldersPage().FolderTree().Count(), 6u);
}

TEST_F(Tray, OpenExploreAndViewLogCallTheShellWithTheirVerbs) {
    Build();
    Choose(kExploreTargetFolderAction);
    Choose(kOpenTargetFolderAction);
    Choose(kViewLogAction);
    const std::wstring target = options->DestinationFolder();
    EXPECT_EQ(shell.executed,
              (std::vector<std::pair<std::wstring, std::wstring>>{
                  {L"explore", target}, {L"open", target}, {L"Open", options->Logger()->LogFileName()}}));
}

TEST_F(Tray, TheIconComesBackWhenTheTaskbarIsCreatedAgain) {
    Build();
    ASSERT_TRUE(form->TrayControlIcon().Visible());
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = form->Handle();
    data.uID = form->TrayControlIcon().Id();
    // The shell forgets the icon, as a restarted Explorer has never known it.
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    data.uFlags = NIF_TIP;
    lstrcpynW(data.szTip, L"probe", 64);
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
    SendMessageW(form->Handle(), TrayIcon::TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(form->TrayControlIcon().Visible());
    EXPECT_TRUE(form->TrayControlIcon().SetHint(kRunning));  // the shell knows it again
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
}

// --- the menu on the screen ---

HWND menuOwner = nullptr;
int menuWindows = 0;
RECT menuArea = {};
std::vector<std::wstring> shownSelect;

BOOL CALLBACK FindMenus(HWND hwnd, LPARAM) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (wcscmp(cls, L"#32768") == 0 && IsWindowVisible(hwnd)) {
        ++menuWindows;
        RECT r;
        GetWindowRect(hwnd, &r);
        if (menuWindows == 1)
            menuArea = r;
        else
            UnionRect(&menuArea, &menuArea, &r);
    }
    return TRUE;
}

// The menus are drawn straight onto the display, so the display itself is photographed: the
// test names the area in a file and waits until the test script has written the picture.
bool Photograph(const std::wstring& dir, const RECT& area) {
    const std::wstring picture = dir + L"\\tray-menu.png";
    DeleteFileW(picture.c_str());
    char line[96] = {};
    const int n = snprintf(line, sizeof(line), "%ldx%ld+%ld+%ld\n", area.right - area.left, area.bottom - area.top,
                           area.left, area.top);
    HANDLE file =
        CreateFileW((dir + L"\\tray-menu.area").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(n), &written, nullptr);
    CloseHandle(file);
    // The script looks for the area every 0.2 s; a loaded machine may take a while to photograph.
    return test::WaitFor([&] { return test::FileThere(picture); }, 60000, 100);
}

std::wstring screenshotDir;
bool captured = false;

void CALLBACK CaptureMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    menuWindows = 0;
    EnumWindows(FindMenus, 0);
    if (menuWindows >= 2 && !screenshotDir.empty()) {
        RECT area = menuArea;
        InflateRect(&area, 12, 12);
        area.left = std::max(area.left, 0L);
        area.top = std::max(area.top, 0L);
        area.right = std::min(area.right, static_cast<LONG>(GetSystemMetrics(SM_CXSCREEN)));
        area.bottom = std::min(area.bottom, static_cast<LONG>(GetSystemMetrics(SM_CYSCREEN)));
        captured = Photograph(screenshotDir, area);
    }
    EndMenu();
}

void CALLBACK OpenSelect(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    // The access key of "Se&lect" opens the submenu.
    PostMessageW(menuOwner, WM_CHAR, L'l', 0);
    SetTimer(nullptr, 0, 700, CaptureMenu);
}

TEST_F(Tray, RightClickOpensTheMenuWithTheSelectSubmenu) {
    MakeOptions();
    options->SetAlternateFolders({L"D:\\Archive\\2026\\", L"D:\\Projects\\R&D\\Inbox\\", L"E:\\Photos\\Unsorted\\"});
    {
        // A batch from an earlier run, so that the menu offers to undo it.
        TJournal earlier(options->DataFolder() + L"Vantrel\\Journal.txt");
        JournalItem item;
        item.name = L"Report.doc";
        item.movedTo = options->DestinationFolder() + L"report.doc";
        earlier.Record(earlier.NewBatch(), {item});
    }
    Build();
    Choose(kPauseAction);
    menuOwner = form->Handle();
    wchar_t dir[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"VANTREL_SCREENSHOT_DIR", dir, MAX_PATH) > 0) screenshotDir = dir;
    captured = false;
    menuWindows = 0;
    SetTimer(nullptr, 0, 500, OpenSelect);
    // A right click on the icon near the bottom right of the screen, where the notification area is.
    const int x = GetSystemMetrics(SM_CXSCREEN) - 40, y = GetSystemMetrics(SM_CYSCREEN) - 20;
    SendMessageW(form->Handle(), kTrayCallback, MAKEWPARAM(x, y),
                 MAKELPARAM(WM_CONTEXTMENU, form->TrayControlIcon().Id()));
    // The menu has closed again: it was open with its submenu.
    EXPECT_EQ(menuWindows, 2);
    if (!screenshotDir.empty()) {
        EXPECT_TRUE(captured);
    }
    // Opening the menu brought the entries up to date.
    EXPECT_TRUE(EntryChecked(form->PopupMenu(), kPauseAction));
    EXPECT_FALSE(EntryGreyed(form->PopupMenu(), kUndoAction));
    Pump();
    EXPECT_TRUE(IsWindow(form->Handle()));
}

}  // namespace
}  // namespace vantrel

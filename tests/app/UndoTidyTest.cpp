// "Tidy &now" and "&Undo last move" on the real main window, the prefix's real desktop and the
// real engine: the tidy's questions in message boxes over the window, answered here, a tidy that
// moves one batch, and the undo that puts it back, from the menu and from their hotkeys.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "support/MainFixture.h"
#include "support/WaitFor.h"
#include "support/WindowText.h"
#include "thread/Thread.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::RealForm;

constexpr UINT kMods = MOD_ALT | MOD_CONTROL | MOD_SHIFT;

// The message box the program shows, as the test answered it.
struct Box {
    int button = IDOK;  // the button to press
    int shown = 0;
    std::wstring text;
    HWND owner = nullptr;
};
Box box;

BOOL CALLBACK BoxText(HWND child, LPARAM) {
    wchar_t cls[16] = {};
    GetClassNameW(child, cls, 16);
    if (_wcsicmp(cls, L"Static") == 0 && !test::Text(child).empty()) box.text += test::Text(child);
    return TRUE;
}

BOOL CALLBACK AnswerBox(HWND hwnd, LPARAM) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (wcscmp(cls, L"#32770") != 0 || test::Text(hwnd) != kAppTitle || !IsWindowVisible(hwnd)) return TRUE;
    ++box.shown;
    EnumChildWindows(hwnd, BoxText, 0);
    box.owner = GetWindow(hwnd, GW_OWNER);
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(box.button, BN_CLICKED), 0);
    return FALSE;
}

// Runs inside the box's own modal loop, once the box is there.
void CALLBACK LookForBox(HWND, UINT, UINT_PTR id, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), AnswerBox, 0);
    if (box.shown) KillTimer(nullptr, id);
}

void CALLBACK EndTheMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}

class UndoTidy : public RealForm {
  protected:
    // The prefix's desktop and target hold only what the test saves there, and are left empty.
    void SetUp() override {
        RealForm::SetUp();
        Empty();
    }
    void TearDown() override {
        RealForm::TearDown();
        Empty();
    }
    void Empty() {
        for (const fs::path& folder : {Desktop(), Target()}) {
            fs::create_directories(folder);
            for (const auto& entry : fs::directory_iterator(folder))
                fs::remove_all(entry.path());
        }
    }
    fs::path Desktop() { return fs::path(LocalFolder(CSIDL_DESKTOPDIRECTORY)); }
    fs::path Target() { return fs::path(LocalFolder(CSIDL_PERSONAL)) / L"Vantrel"; }
    static std::wstring LocalFolder(int csidl) {
        wchar_t path[MAX_PATH] = {};
        SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
        return path;
    }
    static void Save(const fs::path& file) {
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << file;
        const std::string content = file.filename().string();
        DWORD written = 0;
        WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(h);
    }
    static std::set<std::wstring> Names(const fs::path& folder) {
        std::set<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().wstring());
        return names;
    }
    // Runs a command that shows a message box, which is answered with the button.
    void Answer(int button, const std::function<void()>& command) {
        box = Box();
        box.button = button;
        const UINT_PTR timer = SetTimer(nullptr, 0, 100, LookForBox);
        command();
        KillTimer(nullptr, timer);
        EXPECT_EQ(box.shown, 1);
        EXPECT_EQ(box.owner, form->Handle());
    }
    // The menu as the user opens it from the icon, closed again at once.
    HMENU OpenedMenu() {
        SetTimer(nullptr, 0, 300, EndTheMenu);
        SendMessageW(form->Handle(), kTrayCallback, MAKEWPARAM(400, 300),
                     MAKELPARAM(WM_CONTEXTMENU, form->TrayControlIcon().Id()));
        Pump();
        return form->PopupMenu();
    }
    bool UndoGreyed() {
        return (GetMenuState(OpenedMenu(), kUndoAction, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) != 0;
    }
    size_t UndoReports() {
        const std::wstring log = LogText();
        size_t count = 0;
        for (size_t at = log.find(L">> Undo report"); at != std::wstring::npos;
             at = log.find(L">> Undo report", at + 1))
            ++count;
        return count;
    }
};

TEST_F(UndoTidy, ATidyAsksMovesOneBatchAndTheUndoPutsItBack) {
    Build();
    EXPECT_TRUE(UndoGreyed());
    // Only what the masks keep: nothing to move.
    Save(Desktop() / L"Shortcut.lnk");
    Answer(IDOK, [&] { Hotkey(5, kMods, 'T'); });
    EXPECT_EQ(box.text, L"Nothing to move.");

    const std::set<std::wstring> saved = {L"Shortcut.lnk", L"Tidy Report.TXT", L"Tidy Notes.md", L"tidy data.csv"};
    for (const std::wstring& name : saved)
        if (name != L"Shortcut.lnk") Save(Desktop() / name);
    std::wstring target = options->DestinationFolder();
    target.pop_back();  // the folder as the user names it
    const std::wstring question = L"Move 3 items from the desktop to " + target + L"?";
    Answer(IDNO, [&] { Choose(kTidyAction); });
    EXPECT_EQ(box.text, question);
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    EXPECT_EQ(Names(Desktop()), saved);
    EXPECT_EQ(Names(Target()), std::set<std::wstring>{});

    // Yes, with the window shown: moving is paused, the tidy moves all the same.
    Hotkey(1, kMods, 'H');
    ASSERT_TRUE(options->Paused);
    Answer(IDYES, [&] { Hotkey(5, kMods, 'T'); });
    EXPECT_EQ(box.text, question);
    const std::set<std::wstring> moved = {L"tidy report.txt", L"tidy notes.md", L"tidy data.csv"};
    test::WaitFor([&] { return Names(Target()) == moved; }, 20000);
    EXPECT_EQ(Names(Target()), moved);
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    EXPECT_EQ(Names(Desktop()), (std::set<std::wstring>{L"Shortcut.lnk"}));
    EXPECT_FALSE(UndoGreyed());

    // Z puts the batch back, under the names the user gave the items.
    Hotkey(4, kMods, 'Z');
    EXPECT_TRUE(test::WaitFor([&] { return Names(Desktop()) == saved; }, 20000));
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    EXPECT_EQ(Names(Target()), std::set<std::wstring>{});
    EXPECT_EQ(test::FileBytes((Desktop() / L"Tidy Report.TXT").wstring()), "Tidy Report.TXT");
    EXPECT_EQ(UndoReports(), 1u);
    EXPECT_NE(LogText().find(L">> Undo report for 3 items <<"), std::wstring::npos);
    EXPECT_TRUE(UndoGreyed());

    // Nothing left to undo: Z and the entry do nothing.
    Hotkey(4, kMods, 'Z');
    Choose(kUndoAction);
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    EXPECT_EQ(UndoReports(), 1u);
    EXPECT_EQ(Names(Desktop()), saved);
}

}  // namespace
}  // namespace vantrel

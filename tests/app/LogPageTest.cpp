// The log page of the real main window on the prefix's real log file: search through the memo
// and the button, view, clear, the missing log file and Ctrl+A in the memo; a log of megabytes
// shown from its end without holding the window, searched, scrolled and copied whole.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>

#include "support/MainFixture.h"
#include "support/WaitFor.h"

namespace vantrel {
namespace {

using test::RealForm;

class LogPage : public RealForm {
  protected:
    void Open() {
        Build();
        Choose(kShowAction);
        form->SelectPage(kMiscPage);
    }
    void SetMemo(const std::wstring& text) { ui::SetText(MiscPage().LogMemo(), text); }
    void Select(size_t start, size_t length) { SendMessageW(MiscPage().LogMemo(), EM_SETSEL, start, start + length); }
    std::pair<size_t, size_t> Selection() {
        DWORD from = 0, to = 0;
        SendMessageW(MiscPage().LogMemo(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        return {from, to - from};
    }
    void Direction(bool up) {
        ui::SetChecked(MiscPage().UpRadio(), up);
        ui::SetChecked(MiscPage().DownRadio(), !up);
    }
    // One click on "Sea&rch log" with this text; returns the selection afterwards.
    std::pair<size_t, size_t> Search(const std::wstring& query) {
        ui::SetText(MiscPage().SearchEdit(), query);
        Click(MiscPage().SearchButton());
        return Selection();
    }
    std::wstring Memo() { return ui::GetText(MiscPage().LogMemo()); }
    void HoldKeys(std::initializer_list<int> held) {
        BYTE keys[256] = {};
        for (int vk : held)
            keys[vk] = 0x80;
        SetKeyboardState(keys);
    }
};

// Milliseconds f takes.
template <class F>
long long Ms(F f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// A log of some years, written as the logger writes it before the window is built: about 13 MiB.
class BigLogPage : public LogPage {
  protected:
    static constexpr int kEntries = 60000;
    void SetUp() override {
        LogPage::SetUp();
        std::wstring text;
        for (int i = 0; i < kEntries; ++i)
            text += L"03.05.2019 10:00:00-> File: report-" + std::to_wstring(i) +
                    L".doc moved to C:\\Users\\tester\\Documents\\Vantrel\\ as it came from the desktop\r\n";
        CreateDirectoryW(world.dataFolder.c_str(), nullptr);
        const std::string bytes = ToUtf16Le(text);
        HANDLE file = CreateFileW((world.dataFolder + L"Log.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        ASSERT_EQ(written, bytes.size());
    }
    // Views the log; true once the memo shows its end. The click and each message after it are timed.
    bool View() {
        Open();
        log = LogText();
        longest = Ms([&] { Click(MiscPage().ViewLogButton()); });
        return test::WaitFor(
            [&] {
                longest = std::max(longest, Ms([&] { Pump(); }));
                const std::wstring memo = Memo();
                return memo.size() > 2 && log.compare(log.size() - memo.size(), memo.size(), memo) == 0;
            },
            20000);
    }
    // Where the memo's text begins in the log.
    size_t MemoAt() { return log.find(Memo()); }
    bool LastLineShown() {
        HWND memo = MiscPage().LogMemo();
        const LRESULT at = SendMessageW(memo, EM_POSFROMCHAR, Memo().size() - 1, 0);
        RECT client = {};
        GetClientRect(memo, &client);
        const int y = static_cast<short>(HIWORD(at));
        return at != -1 && y >= 0 && y < client.bottom;
    }
    std::wstring log;
    long long longest = 0;
};

using Sel = std::pair<size_t, size_t>;

// Offsets: "apple" at 10, "Apple" at 23 (after the CR LF), "APPLE" at 35.
const std::wstring kText = L"Log entry apple\r\nfirst Apple, then APPLE.";

// The page's search reads the edit, the direction and the memo's selection and selects what it
// finds, as long as the search text; what counts as a match is the text search's own rule.
TEST_F(LogPage, SearchSelectsTheMatchInTheMemoInTheChosenDirectionAndLeavesTheFocus) {
    Open();
    EXPECT_TRUE(ui::IsChecked(MiscPage().DownRadio()));  // the initial direction
    SetMemo(kText);
    Select(0, 0);
    SetFocus(MiscPage().SearchButton());
    EXPECT_EQ(Search(L"apple"), (Sel{10, 5}));
    EXPECT_EQ(Search(L"apple"), (Sel{23, 5}));  // past the CR LF, in the memo's own offsets
    EXPECT_EQ(Search(L"pear"), (Sel{23, 5}));   // nothing found: the selection stays
    Direction(true);
    EXPECT_EQ(Search(L"APPLE"), (Sel{10, 5}));
    EXPECT_EQ(GetFocus(), MiscPage().SearchButton());  // the focus stays where it was
    EXPECT_EQ(Memo(), kText);
}

TEST_F(LogPage, ViewShowsTheLogFileAndClearThenViewShowsOnlyTheClearedEntry) {
    Open();
    EXPECT_EQ(Memo(), L"");  // nothing is loaded until asked
    options->Logger()->AddLine(L"File: report.doc moved");
    Click(MiscPage().ViewLogButton());
    const std::wstring shown = Memo();
    EXPECT_EQ(shown, LogText());
    EXPECT_NE(shown.find(L"-> Log started by: "), std::wstring::npos);
    EXPECT_NE(shown.find(L"-> File: report.doc moved\r\n"), std::wstring::npos);

    Click(MiscPage().ClearLogButton());
    EXPECT_EQ(Memo(), L"Log cleared");
    Click(MiscPage().ViewLogButton());
    const std::wstring cleared = Memo();
    const std::wstring entry = L"-> Log cleared by: " + options->Logger()->UserName() + L"\r\n";
    ASSERT_GE(cleared.size(), entry.size());
    EXPECT_EQ(cleared.substr(cleared.size() - entry.size()), entry);
    EXPECT_EQ(cleared.find(L"\r\n"), cleared.size() - 2);  // one entry, one line
    EXPECT_EQ(cleared, LogText());
}

TEST_F(LogPage, WithoutALogFileViewAppendsTheErrorLineEachTime) {
    Open();
    SetMemo(L"earlier text");
    // The log moved to a file that is not there (closing the one it had).
    options->Logger()->SetFileName(world.dataFolder + L"Missing\\Log.txt");
    Click(MiscPage().ViewLogButton());
    EXPECT_EQ(Memo(), L"earlier text\r\nError open log file");
    Click(MiscPage().ViewLogButton());
    EXPECT_EQ(Memo(), L"earlier text\r\nError open log file\r\nError open log file");

    // No log file in use at all.
    options->Logger()->SetFileName(L"");
    SetMemo(L"");
    Click(MiscPage().ViewLogButton());
    EXPECT_EQ(Memo(), L"Error open log file");
}

TEST_F(LogPage, AClosedLogShowsItsTextAndClearingItTouchesNoFile) {
    Open();
    options->Logger()->Close();
    const std::wstring before = LogText();
    Click(MiscPage().ViewLogButton());
    EXPECT_EQ(Memo(), L"Log not opened");
    Click(MiscPage().ClearLogButton());
    EXPECT_EQ(Memo(), L"Log cleared");
    EXPECT_EQ(LogText(), before);
}

TEST_F(LogPage, CtrlAInTheMemoSelectsEverythingWhateverElseIsHeld) {
    Open();
    SetMemo(kText);
    BYTE saved[256] = {};
    GetKeyboardState(saved);
    auto press = [&](std::initializer_list<int> held) {
        BYTE keys[256] = {};
        for (int vk : held)
            keys[vk] = 0x80;
        SetKeyboardState(keys);
        Select(3, 0);
        PostMessageW(MiscPage().LogMemo(), WM_KEYDOWN, 'A', 1);
        Pump();
        return Selection();
    };
    EXPECT_EQ(press({VK_CONTROL}), (Sel{0, kText.size()}));
    EXPECT_EQ(press({VK_CONTROL, VK_SHIFT}), (Sel{0, kText.size()}));
    EXPECT_EQ(press({VK_CONTROL, VK_MENU}), (Sel{0, kText.size()}));
    EXPECT_EQ(press({}), (Sel{3, 0}));  // A alone is the memo's (read-only: nothing)
    SetKeyboardState(saved);
    EXPECT_EQ(Memo(), kText);
}

TEST_F(BigLogPage, IsShownFromItsEndWithoutHoldingTheWindow) {
    ASSERT_TRUE(View());
    std::printf("a log of %zu characters: the click took %lld ms at most\n", log.size(), longest);
    // The whole log would take the edit seconds; a stretch of it, well under a second.
    EXPECT_LT(longest, 500);
    EXPECT_LT(Memo().size(), log.size() / 100);
    EXPECT_EQ(log[MemoAt() - 1], L'\n');  // whole entries
    EXPECT_TRUE(LastLineShown());
    const std::wstring started = L"-> Log started by: " + options->Logger()->UserName() + L"\r\n";
    EXPECT_EQ(Memo().substr(Memo().size() - started.size()), started);
    EXPECT_EQ(Selection(), (Sel{Memo().size(), 0}));  // the caret after the last entry
}

TEST_F(BigLogPage, ASearchFindsTheFirstEntryAndTheEndAgain) {
    ASSERT_TRUE(View());
    Direction(true);
    long long took = Ms([&] { Search(L"REPORT-0.doc"); });
    EXPECT_LT(took, 500);
    EXPECT_EQ(MemoAt(), 0u);  // the memo now shows the log's start
    EXPECT_EQ(Selection(), (Sel{log.find(L"report-0.doc"), 12}));
    Direction(false);
    took = Ms([&] { Search(L"log started by"); });
    EXPECT_LT(took, 500);
    const auto [start, length] = Selection();
    EXPECT_EQ(MemoAt() + start, log.find(L"Log started by"));
    EXPECT_EQ(length, 14u);
    EXPECT_EQ(Search(L"report-0.doc"), (Sel{start, length}));  // nothing below: the selection stays
}

TEST_F(BigLogPage, ScrollingPastTheShownStretchBringsInTheEntriesBeforeAndAfter) {
    ASSERT_TRUE(View());
    HWND memo = MiscPage().LogMemo();
    const size_t end = MemoAt();
    SendMessageW(memo, WM_VSCROLL, SB_TOP, 0);
    SendMessageW(memo, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_LT(MemoAt(), end);
    EXPECT_NE(MemoAt(), std::wstring::npos);
    // Back down to the end, stretch by stretch.
    for (int i = 0; i < 10 && MemoAt() + Memo().size() < log.size(); ++i) {
        SendMessageW(memo, WM_VSCROLL, SB_BOTTOM, 0);
        SendMessageW(memo, WM_VSCROLL, SB_LINEDOWN, 0);
    }
    EXPECT_EQ(MemoAt() + Memo().size(), log.size());
    SendMessageW(memo, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_TRUE(LastLineShown());
}

TEST_F(BigLogPage, CtrlAThenCopyPutsTheWholeLogOnTheClipboard) {
    ASSERT_TRUE(View());
    BYTE saved[256] = {};
    GetKeyboardState(saved);
    HoldKeys({VK_CONTROL});
    PostMessageW(MiscPage().LogMemo(), WM_KEYDOWN, 'A', 1);
    Pump();
    SetKeyboardState(saved);
    EXPECT_EQ(Selection(), (Sel{0, Memo().size()}));
    SendMessageW(MiscPage().LogMemo(), WM_COPY, 0, 0);
    std::wstring copied;
    ASSERT_TRUE(OpenClipboard(nullptr));
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        copied = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    EXPECT_EQ(copied.size(), log.size());
    EXPECT_TRUE(copied == log);
}

TEST_F(BigLogPage, ClearWhileTheLogIsReadLeavesOnlyTheClearedEntry) {
    Open();
    Click(MiscPage().ViewLogButton());
    Click(MiscPage().ClearLogButton());
    PumpFor(500);
    EXPECT_EQ(Memo(), L"Log cleared");
    EXPECT_EQ(LogText().find(L"report-"), std::wstring::npos);
}

}  // namespace
}  // namespace vantrel

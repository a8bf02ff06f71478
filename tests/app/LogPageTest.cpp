// The log page of the real main window on the prefix's real log file: search through the memo
// and the button, view, clear, the missing log file and Ctrl+A in the memo.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "support/MainFixture.h"

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

}  // namespace
}  // namespace vantrel

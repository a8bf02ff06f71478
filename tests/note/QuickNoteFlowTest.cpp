// Whole move batches with quick notes on: the files live in the fake platform, the "Quick Note"
// form is the program's own on the batch's own thread, and the test answers it through its window
// messages as a user would. Results are read back from the fake's files and the log.
#include <windows.h>

#include <gtest/gtest.h>

#include "NoteWindows.h"
#include "WaitFor.h"

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "app/NoteForm.h"
#include "engine/EngineFixture.h"
#include "engine/Movefilethread.h"
#include "engine/Note.h"
#include "fakes/FakePlatform.h"
#include "platform/Text.h"
#include "settings/Options.h"
#include "thread/Thread.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;
using fake::ChangeBlock;
using fake::kActionAdded;

// --- finding and reading the dialogs ---

using test::ClassOf;
using test::Click;
using test::FileNameBox;
using test::Memo;
using test::SetText;
using test::Text;

// Every visible "Quick Note" dialog of this process, whichever thread owns it.
BOOL CALLBACK CollectNoteDialog(HWND w, LPARAM out) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(w) && ClassOf(w) == kNoteWindowClass &&
        Text(w) == L"Quick Note")
        reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
    return TRUE;
}

std::vector<HWND> NoteDialogs() {
    std::vector<HWND> found;
    EnumWindows(CollectNoteDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Waits until exactly `count` dialogs are open; returns them (fewer or more when the wait ran out).
std::vector<HWND> WaitForDialogs(size_t count) {
    std::vector<HWND> found;
    test::WaitFor(
        [&] {
            found = NoteDialogs();
            return found.size() == count;
        },
        10000);
    return found;
}

// The window answers a message sent from another thread within ten seconds while this thread
// pumps its messages, as the main thread's loop does.
bool Responsive(HWND window) {
    auto answered = std::async(std::launch::async, [window] {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
    });
    while (answered.wait_for(10ms) != std::future_status::ready) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return answered.get();
}

std::string Utf16(const std::wstring& text) {
    return ToUtf16Le(text);
}

const std::string kBom("\xFF\xFE", 2);

class QuickNoteFlow : public test::EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        options->SetQuickNote(true);
        options->SetSaveNoteFiles(true);
        ASSERT_EQ(desk, L"C:\\Users\\tester\\Desktop\\");
        ASSERT_EQ(dest, L"C:\\Users\\tester\\Documents\\Vantrel\\");
        // The batches ask the program's own form, as the program installs it at start.
        SetNotePrompt(&ShowNoteForm);
    }

    void TearDown() override {
        // A failed test must not leave a batch waiting for its dialog.
        for (int round = 0; round < 50 && TThread::Running() > 0; ++round) {
            for (HWND dlg : NoteDialogs())
                PostMessageW(dlg, WM_COMMAND, IDABORT, 0);
            TThread::WaitForIdle(200);
        }
        SetNotePrompt(nullptr);
        EngineTest::TearDown();
    }

    // Files a.txt, b.txt and c.txt on the desktop and a block that adds them (the first as "A.txt").
    ChangeBlock ThreeFiles() {
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"})
            os->AddFile(desk + name, "data");
        return ChangeBlock().Add(kActionAdded, L"A.txt").Add(kActionAdded, L"b.txt").Add(kActionAdded, L"c.txt");
    }
    StringList Moved() {
        return {L">> Operation report for 3 files <<", L"File: a.txt moved", L"File: b.txt moved",
                L"File: c.txt moved"};
    }
    void ExpectOnDesktop() {
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) {
            EXPECT_TRUE(os->Exists(desk + name)) << name;
            EXPECT_FALSE(os->Exists(dest + name)) << name;
        }
    }
    void ExpectMoved() {
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) {
            EXPECT_FALSE(os->Exists(desk + name)) << name;
            EXPECT_EQ(os->Content(dest + name), "data") << name;
        }
    }

    // The one dialog of a batch just started; fails the test when there is not exactly one.
    HWND OneDialog() {
        std::vector<HWND> found = WaitForDialogs(1);
        EXPECT_EQ(found.size(), 1u);
        return found.size() == 1 ? found.front() : nullptr;
    }

    bool Idle() { return TThread::WaitForIdle(20000); }

    // Waits until the log holds `count` entries besides the first one.
    bool WaitForEntries(size_t count) {
        return test::WaitFor([&] { return Entries().size() >= count; }, 10000);
    }

    static std::wstring Entry(const StringList& lines) { return test::ReportEntry(lines); }
};

// What the batch asks and what it does with each answer is tested with a scripted prompt in
// tests/engine (QuickNoteTest.cpp), the form's own keys and results in NoteFormTest.cpp. Here the
// two meet: the batch's form, on the batch's thread, holds the batch until it is answered.
TEST_F(QuickNoteFlow, ABatchShowsOneFormWithTheFirstItemsNameAndMovesNothingUntilItIsAnswered) {
    StartBatch(ThreeFiles());
    HWND dlg = OneDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_NE(GetWindowThreadProcessId(dlg, nullptr), GetCurrentThreadId());
    ASSERT_NE(FileNameBox(dlg), nullptr);
    ASSERT_NE(Memo(dlg), nullptr);
    EXPECT_EQ(Text(FileNameBox(dlg)), dest + L"a.txt.txt");
    EXPECT_TRUE(IsWindowEnabled(FileNameBox(dlg)));
    EXPECT_EQ(Text(Memo(dlg)), L"[Description here]");
    // While the dialog is open nothing has moved.
    ExpectOnDesktop();
    EXPECT_TRUE(os->Calls().empty());

    // One form for the batch, not one per item: once it is answered the batch ends.
    Click(dlg, IDCANCEL);
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(NoteDialogs().empty());
    ExpectMoved();
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{Entry(Moved())}));
}

TEST_F(QuickNoteFlow, TheNoteTypedIntoTheFormIsWrittenAsTheMemoHoldsItBeforeTheItemsMove) {
    StartBatch(ThreeFiles());
    HWND dlg = OneDialog();
    ASSERT_NE(dlg, nullptr);
    const std::wstring note = dest + L"a.txt.txt";
    SetText(Memo(dlg), L"Paid.\r\nInvoice 117\r\n");
    Click(dlg, IDOK);
    ASSERT_TRUE(Idle());

    EXPECT_EQ(os->Content(note), kBom + Utf16(L"Paid.\r\nInvoice 117\r\n"));
    ExpectMoved();
    StringList lines = {L"Comments saved to file: " + note, L"Comments' text:Paid.\r\nInvoice 117\r\n"};
    for (const std::wstring& line : Moved())
        lines.push_back(line);
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{Entry(lines)}));
}

TEST_F(QuickNoteFlow, TwoBatchesCloseTogetherOpenTwoDialogsAndTheMainWindowStaysUsable) {
    // A window of the test's own thread stands for the main window.
    HWND mainWindow = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(mainWindow, nullptr);
    os->AddFile(desk + L"first.txt", "data");
    os->AddFile(desk + L"second.txt", "data");
    // The second batch starts once the first dialog is up: Wine's text shaping can crash when two
    // threads create edit controls in the same instant, a fault of Wine's, not of the dialog.
    StartBatch(ChangeBlock().Add(kActionAdded, L"first.txt"));
    ASSERT_EQ(WaitForDialogs(1).size(), 1u);
    StartBatch(ChangeBlock().Add(kActionAdded, L"second.txt"));

    std::vector<HWND> both = WaitForDialogs(2);
    ASSERT_EQ(both.size(), 2u) << "the second batch waited for the first one's dialog";
    HWND first = nullptr, second = nullptr;
    for (HWND dlg : both)
        (Text(FileNameBox(dlg)) == dest + L"first.txt.txt" ? first : second) = dlg;
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Text(FileNameBox(second)), dest + L"second.txt.txt");
    EXPECT_NE(GetWindowThreadProcessId(first, nullptr), GetWindowThreadProcessId(second, nullptr));
    EXPECT_NE(GetWindowThreadProcessId(first, nullptr), GetCurrentThreadId());
    EXPECT_TRUE(IsWindowEnabled(first));
    EXPECT_TRUE(IsWindowEnabled(second));
    EXPECT_TRUE(IsWindowEnabled(mainWindow));
    EXPECT_TRUE(Responsive(mainWindow));

    // The second closes first: its batch ends while the first dialog stays open and usable.
    Click(second, IDABORT);
    ASSERT_TRUE(WaitForEntries(1));
    EXPECT_EQ(NoteDialogs(), std::vector<HWND>{first});
    EXPECT_TRUE(IsWindowEnabled(first));
    EXPECT_TRUE(IsWindowEnabled(mainWindow));
    EXPECT_TRUE(Responsive(mainWindow));
    EXPECT_TRUE(os->Exists(desk + L"first.txt"));

    SetText(Memo(first), L"Paid.");
    Click(first, IDOK);
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(os->Exists(desk + L"second.txt"));
    EXPECT_EQ(os->Content(dest + L"first.txt"), "data");
    EXPECT_EQ(os->Content(dest + L"first.txt.txt"), kBom + Utf16(L"Paid."));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{
                             L"User aborted operation.\r\n\r\n",
                             Entry({L"Comments saved to file: " + dest + L"first.txt.txt", L"Comments' text:Paid.",
                                    L">> Operation report for 1 files <<", L"File: first.txt moved"})}));
    DestroyWindow(mainWindow);
}

}  // namespace
}  // namespace vantrel

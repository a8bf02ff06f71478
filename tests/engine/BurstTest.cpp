// The engine under load: waiting batches and an open note hold no worker, so new work is never
// held up behind them, and the workers stay few.
#include <string>

#include "EngineFixture.h"
#include "Gate.h"
#include "engine/Note.h"

namespace vantrel::test {
namespace {

Gate* noteGate = nullptr;

// The user takes their time over the note, then skips it.
NoteAnswer SlowUser(const std::wstring& fileName, bool) {
    noteGate->Pass();
    return NoteAnswer{kNoteSkip, fileName, L""};
}

std::wstring Name(int i) {
    return L"held" + std::to_wstring(i) + L".txt";
}

// Fifty batches each wait to try a file in use again, twenty folders wait for their quiet period
// and one batch waits for its note: a file saved meanwhile is moved at once, in the same instant
// of the clock, by one of the few workers. Once the files are free and the note answered, every
// batch and mover ends with its own report.
TEST_F(EngineTest, WaitingBatchesAndAnOpenNoteDoNotDelayANewFile) {
    options->SetTryToMove(true);
    options->SetTryCount(1000000);
    // The clock stops at 500 ms, before any retry falls due, until the test lets it go on.
    Gate clock;
    os->Schedule(500, [&] { clock.Pass(); });
    for (int i = 0; i < 50; ++i) {
        os->AddFile(desk + Name(i), "in use");
        os->Lock(desk + Name(i), UINT64_MAX);
        StartBatch(ChangeBlock().Add(fake::kActionAdded, Name(i)));
    }
    options->SetMoveFolderDelay(3000);
    for (int i = 0; i < 20; ++i) {
        os->AddFile(desk + L"folder" + std::to_wstring(i) + L"\\a.jpg", "jpg");
        auto* mover = new TMoveDirectory(true);
        mover->Settings = options.get();
        mover->FolderName = L"folder" + std::to_wstring(i);
        mover->FreeOnTerminate = true;
        mover->Resume();
    }
    ASSERT_TRUE(WaitFor([&] { return CallsOf(L"MoveFile").size() == 50 && clock.Reached(); }, 20000));

    Gate note;
    noteGate = &note;
    SetNotePrompt(&SlowUser);
    options->SetQuickNote(true);
    os->AddFile(desk + L"noted.txt", "noted");
    StartBatch(ChangeBlock().Add(fake::kActionAdded, L"noted.txt"));
    ASSERT_TRUE(WaitFor([&] { return note.Reached(); }, 20000));
    options->SetQuickNote(false);

    os->AddFile(desk + L"new.txt", "new");
    StartBatch(ChangeBlock().Add(fake::kActionAdded, L"new.txt"));
    ASSERT_TRUE(WaitFor([&] { return os->Exists(dest + L"new.txt"); }, 20000));
    EXPECT_EQ(CallsOf(L"MoveFile").back().at, 500u);
    EXPECT_LE(TThread::Workers(), TThread::MaxWorkers());
    EXPECT_EQ(TThread::Running(), 71);
    EXPECT_TRUE(os->Exists(desk + L"noted.txt"));
    EXPECT_EQ(
        Entries(),
        (std::vector<std::wstring>{ReportEntry({L">> Operation report for 1 files <<", L"File: new.txt moved"})}));

    for (int i = 0; i < 50; ++i)
        os->Lock(desk + Name(i), 0);
    clock.Open();
    note.Open();
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    SetNotePrompt(nullptr);
    EXPECT_TRUE(os->List(desk).empty());
    const auto entries = SortedEntries();
    ASSERT_EQ(entries.size(), 72u);
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(os->Exists(dest + L"folder" + std::to_wstring(i) + L"\\a.jpg")) << i;
    for (int i = 0; i < 50; ++i)
        EXPECT_NE(std::find(entries.begin(), entries.end(),
                            ReportEntry({L">> Operation report for 1 files <<", L"File: " + Name(i) + L" moved"})),
                  entries.end())
            << Name(i);
    // Each file was tried again no sooner than a second after its first attempt, each folder taken
    // once quiet for three seconds. (Bodies run while the clock runs on: later is no fault here.)
    for (int i = 0; i < 50; ++i) {
        std::vector<uint64_t> at;
        for (const auto& call : CallsOf(L"MoveFile"))
            if (call.from == desk + Name(i)) at.push_back(call.at);
        ASSERT_EQ(at.size(), 2u) << Name(i);
        EXPECT_GE(at[1], at[0] + 1000) << Name(i);
    }
    EXPECT_EQ(CallsOf(L"ShellMove").size(), 20u);
    for (const auto& call : CallsOf(L"ShellMove"))
        EXPECT_GE(call.at, 3000u);
}

}  // namespace
}  // namespace vantrel::test

// The journal of moves and the two commands around it, through the fake: what a batch and a
// folder mover record, the file across a restart, its limits and a damaged one, undo with its
// refusals, and tidy.
#include "EngineFixture.h"
#include "engine/Undo.h"

#include <thread>

namespace vantrel::test {
namespace {

using namespace fake;

class JournalTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        file = options->DataFolder() + L"Vantrel\\Journal.txt";
        journal = std::make_shared<TJournal>(file);
    }
    void Batch(const ChangeBlock& block) {
        auto* batch = new TFileMove(true);
        const std::string bytes = block.Bytes();
        batch->Buffer.assign(bytes.begin(), bytes.end());
        batch->Settings = options.get();
        batch->Journal = journal;
        batch->FreeOnTerminate = true;
        batch->Resume();
        ASSERT_TRUE(TThread::WaitForIdle(20000));
    }
    void Undo() {
        auto* undo = new TUndo(true);
        undo->Settings = options.get();
        undo->Journal = journal;
        undo->FreeOnTerminate = true;
        undo->Resume();
        ASSERT_TRUE(TThread::WaitForIdle(20000));
    }
    std::wstring file;
    std::shared_ptr<TJournal> journal;
};

// Files, a clash set aside and a folder: all recorded under one batch, put back by one undo under
// the names the user gave them, the item set aside renamed back; a second undo takes the batch
// before. Items put back are passed over by the batch their arrival starts.
TEST_F(JournalTest, UndoPutsTheNewestBatchBackAndTheNextUndoTheOneBefore) {
    options->SetMoveFolder(true);
    os->AddFile(desk + L"First.txt", "first");
    Batch(ChangeBlock().Add(kActionAdded, L"First.txt"));
    os->AddFile(desk + L"Report.DOC", "new report");
    os->AddFile(dest + L"report.doc", "old report");
    os->AddFile(desk + L"Photos\\a.jpg", "photo");
    os->SetTick(4242);
    Batch(ChangeBlock().Add(kActionAdded, L"Report.DOC").Add(kActionAdded, L"Photos"));
    ASSERT_EQ(journal->Batches().size(), 2u);
    const std::wstring aside = dest + L"Rename4242_report.doc";
    // The folder's mover records it when it is done, before or after the batch's files.
    auto items = journal->Batches()[1].items;
    std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    EXPECT_EQ(items, (std::vector<JournalItem>{
                         {true, L"Photos", dest + L"photos", L"", L"", L""},
                         {false, L"Report.DOC", dest + L"report.doc", dest + L"report.doc", aside, L""}}));

    // A restart reads the same journal.
    journal = std::make_shared<TJournal>(file);
    ASSERT_EQ(journal->Batches().size(), 2u);
    const size_t entriesBefore = Entries().size();
    Undo();
    EXPECT_EQ(os->Content(desk + L"Report.DOC"), "new report");
    EXPECT_EQ(os->Content(desk + L"Photos\\a.jpg"), "photo");
    EXPECT_EQ(os->Content(dest + L"report.doc"), "old report");
    EXPECT_EQ(os->List(dest), (std::vector<std::wstring>{L"first.txt", L"report.doc"}));
    const std::wstring report = Entries().back();
    EXPECT_EQ(report.rfind(L">> Undo report for 2 items <<\r\n", 0), 0u) << report;
    EXPECT_NE(report.find(L"\r\nFolder: Photos moved back\r\n"), std::wstring::npos) << report;
    EXPECT_NE(report.find(L"\r\nFile: Report.DOC moved back\r\nFile: " + aside + L" renamed back to: " + dest +
                          L"report.doc\r\n"),
              std::wstring::npos)
        << report;
    // The records of their arrival start a batch that leaves them where they are.
    Batch(ChangeBlock().Add(kActionAdded, L"Photos").Add(kActionAdded, L"Report.DOC"));
    EXPECT_TRUE(os->Exists(desk + L"Report.DOC"));
    EXPECT_EQ(Entries().size(), entriesBefore + 1);

    Undo();
    EXPECT_EQ(os->Content(desk + L"First.txt"), "first");
    EXPECT_TRUE(journal->Empty());
    Undo();  // nothing left: nothing happens
    EXPECT_EQ(Entries().size(), entriesBefore + 2);
}

// Undo touches only what is still where the journal says, and never overwrites: a name taken on
// the desktop and an item gone from the target are refused with their reasons; a deleted clash is
// named as lost; an old name taken again keeps the item aside.
TEST_F(JournalTest, UndoRefusesWhatItCannotPutBackWithoutHarm) {
    options->SetRenameFile(false);
    for (const wchar_t* name : {L"Taken.txt", L"Gone.txt", L"Clash.txt"})
        os->AddFile(desk + name, "moved");
    os->AddFile(dest + L"clash.txt", "the target's own");
    Batch(ChangeBlock().Add(kActionAdded, L"Taken.txt").Add(kActionAdded, L"Gone.txt").Add(kActionAdded, L"Clash.txt"));
    os->AddFile(desk + L"taken.txt", "saved since");
    os->Remove(dest + L"gone.txt");
    Undo();
    EXPECT_EQ(Entries().back(),
              ReportEntry({L">> Undo report for 3 items <<", L"File: Clash.txt moved back",
                           L"File: " + dest + L"clash.txt was deleted and cannot be restored",
                           L"File: Gone.txt not moved back: it is no longer in the target. Error code: 2",
                           L"File: Taken.txt not moved back: the name is taken on the desktop. Error code: 183"}));
    EXPECT_EQ(os->Content(desk + L"taken.txt"), "saved since");
    EXPECT_EQ(os->Content(dest + L"taken.txt"), "moved");
    EXPECT_TRUE(journal->Empty());  // the batch has had its undo

    options->SetRenameFile(true);
    os->AddFile(desk + L"Notes.txt", "new");
    os->AddFile(dest + L"notes.txt", "old");
    os->SetTick(77);
    Batch(ChangeBlock().Add(kActionAdded, L"Notes.txt"));
    os->Remove(desk + L"Notes.txt");
    os->MoveFile(dest + L"notes.txt", desk + L"Notes.txt");  // the user took it back by hand
    os->AddFile(dest + L"notes.txt", "another");
    Undo();
    EXPECT_EQ(Entries().back(),
              ReportEntry({L">> Undo report for 1 items <<",
                           L"File: Notes.txt not moved back: the name is taken on the desktop. Error code: 183",
                           L"File: " + dest + L"Rename77_notes.txt not renamed back to: " + dest +
                               L"notes.txt. Error code: 183"}));
    EXPECT_EQ(os->Content(dest + L"notes.txt"), "another");
    EXPECT_EQ(os->Content(dest + L"Rename77_notes.txt"), "old");
}

// A target on another drive: undo copies back with the same care, the folder as a whole tree.
TEST_F(JournalTest, UndoFromAnotherDriveCopiesBackWithTheSameCare) {
    os->AddDirectory(L"D:\\Inbox");
    options->SetDestinationFolder(L"D:\\Inbox\\");
    dest = options->DestinationFolder();
    options->SetMoveFolder(true);
    const std::string big = std::string(3 << 20, 'b') + "end";
    os->AddFile(desk + L"Big.bin", big);
    os->AddFile(desk + L"Album\\Inner\\a.jpg", "photo");
    Batch(ChangeBlock().Add(kActionAdded, L"Big.bin").Add(kActionAdded, L"Album"));
    ASSERT_EQ(os->List(dest), (std::vector<std::wstring>{L"album", L"big.bin"}));
    Undo();
    EXPECT_EQ(os->Content(desk + L"Big.bin"), big);
    EXPECT_EQ(os->Content(desk + L"Album\\Inner\\a.jpg"), "photo");
    EXPECT_TRUE(os->List(dest).empty());
    EXPECT_EQ(os->List(desk), (std::vector<std::wstring>{L"album", L"big.bin"}));  // no copy left behind
    EXPECT_EQ(os->openHandles(), 0);
}

// The end of the program during an undo's copy from another drive: nothing is half-moved, and
// what was not put back stays in the journal for the next undo.
TEST_F(JournalTest, EndingDuringAnUndoLeavesEveryItemWholeAndJournaled) {
    struct Reopen {
        ~Reopen() { TThread::Reopen(); }
    } reopen;
    os->AddDirectory(L"D:\\Inbox");
    options->SetDestinationFolder(L"D:\\Inbox\\");
    dest = options->DestinationFolder();
    const std::string big = std::string(3 << 20, 'b') + "end";
    os->AddFile(desk + L"Big.bin", big);
    os->AddFile(desk + L"small.txt", "small");
    Batch(ChangeBlock().Add(kActionAdded, L"Big.bin").Add(kActionAdded, L"small.txt"));
    // Small is put back first; the end comes during the first read of Big's copy. It is asked for
    // there and then (a zero wait: the undo that would be waited for is the caller).
    std::function<void()> hook = [&] {
        if (os->Exists(desk + L"small.txt"))
            TThread::EndAll(0);
        else
            os->After(Operation::Read, hook);
    };
    os->After(Operation::Read, hook);
    Undo();
    EXPECT_TRUE(TThread::EndAll(10000));
    EXPECT_EQ(os->Content(desk + L"small.txt"), "small");
    EXPECT_EQ(os->Content(dest + L"big.bin"), big);
    EXPECT_EQ(os->List(desk), std::vector<std::wstring>{L"small.txt"});  // no copy left behind
    ASSERT_EQ(journal->Batches().size(), 1u);
    EXPECT_EQ(journal->Batches()[0].items.size(), 1u);
    EXPECT_EQ(Entries().back(),
              ReportEntry({L">> Undo report for 2 items <<", L"File: small.txt moved back",
                           L"File: Big.bin not moved back: the program is ending. Error code: 1223"}));
}

// The file: the last 50 batches, in their order also when a folder's move ends after later
// batches; a damaged or oversized file is set aside and the journal starts afresh.
TEST_F(JournalTest, TheFileKeepsTheLastFiftyBatchesAndADamagedOneIsSetAside) {
    const uint64_t slow = journal->NewBatch();
    for (int i = 0; i < 55; ++i)
        journal->Record(journal->NewBatch(), {{false, L"f" + std::to_wstring(i), dest + L"f", L"", L"", L""}});
    journal->Record(slow, {{true, L"late", dest + L"late", L"", L"", L""}});  // older than all 50 kept
    auto batches = TJournal(file).Batches();
    ASSERT_EQ(batches.size(), TJournal::kMaxBatches);
    EXPECT_EQ(batches.front().items[0].name, L"f5");
    EXPECT_EQ(batches.back().items[0].name, L"f54");

    for (const std::string& bytes : {std::string("\xFF\xFEgarbage"), std::string("not a journal at all"),
                                     std::string(TJournal::kMaxFileSize + 1, 'x')}) {
        os->Remove(file);
        os->AddFile(file, bytes);
        os->SetTick(os->TickCount() + 1);
        TJournal damaged(file);
        EXPECT_TRUE(damaged.Empty());
        ASSERT_FALSE(damaged.SetAsideAs().empty());
        EXPECT_EQ(os->Content(damaged.SetAsideAs()), bytes);
        EXPECT_FALSE(os->Exists(file));
        damaged.Record(damaged.NewBatch(), {{false, L"a.txt", dest + L"a.txt", L"", L"", L""}});
        EXPECT_EQ(TJournal(file).Batches().size(), 1u);
    }
}

// Batches that end together each record at once: one of them writes the file, again for what the
// others recorded meanwhile, and the file ends as the journal in memory.
TEST_F(JournalTest, BatchesRecordingTogetherLeaveTheFileCurrent) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([this, t] {
            for (int i = 0; i < 20; ++i)
                journal->Record(journal->NewBatch(), {{false, L"f" + std::to_wstring(t) + L"_" + std::to_wstring(i),
                                                       dest + L"f", L"", L"", L""}});
        });
    for (auto& thread : threads)
        thread.join();
    const auto inMemory = journal->Batches();
    ASSERT_EQ(inMemory.size(), TJournal::kMaxBatches);
    const auto inFile = TJournal(file).Batches();
    ASSERT_EQ(inFile.size(), inMemory.size());
    for (size_t i = 0; i < inFile.size(); ++i) {
        EXPECT_EQ(inFile[i].id, inMemory[i].id);
        EXPECT_EQ(inFile[i].items, inMemory[i].items);
    }
}

// Tidy: what the masks keep, folders without "Move folders", hidden items and the program's own
// names stay; the rest moves as one batch that one undo puts back.
TEST_F(JournalTest, TidyMovesWhatTheMasksDoNotKeepAsOneBatch) {
    options->SetExcludedExt({L"*.lnk"});
    for (const wchar_t* name : {L"One.txt", L"Two.doc", L"Shortcut.lnk", L"desktop.ini", L"~dvrename1_x"})
        os->AddFile(desk + name, "x");
    os->SetAttributes(desk + L"desktop.ini", 0x2 | 0x4);
    os->AddDirectory(desk + L"Folder");
    EXPECT_EQ(TidyItems(*options), (StringList{L"One.txt", L"Two.doc"}));
    options->SetMoveFolder(true);
    options->Paused = true;  // asked for by the user: moved all the same
    const StringList items = TidyItems(*options);
    EXPECT_EQ(items, (StringList{L"Folder", L"One.txt", L"Two.doc"}));
    StartTidy(options.get(), journal, items);
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    EXPECT_EQ(os->List(dest), (std::vector<std::wstring>{L"folder", L"one.txt", L"two.doc"}));
    ASSERT_EQ(journal->Batches().size(), 1u);
    Undo();
    EXPECT_EQ(os->List(desk), (std::vector<std::wstring>{L"desktop.ini", L"folder", L"one.txt", L"shortcut.lnk",
                                                         L"two.doc", L"~dvrename1_x"}));
    EXPECT_TRUE(os->List(dest).empty());
}

}  // namespace
}  // namespace vantrel::test

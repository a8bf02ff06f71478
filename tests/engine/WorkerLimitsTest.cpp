// The engine at the limits of its workers: thread starts the system refuses, exceptions that end
// a worker, and the end of the program while batches retry and folder movers wait.
#include <functional>
#include <stdexcept>

#include "EngineFixture.h"
#include "WaitFor.h"
#include "engine/ThreadReports.h"

namespace vantrel::test {
namespace {

using namespace fake;

bool Eventually(const std::function<bool()>& ready) {
    return WaitFor(ready, 20000, 5);
}

class WorkerLimitsTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        ReportThreadsTo(options.get());
        // Every body needs a new thread: idle workers end at once.
        TThread::SetIdleTimeout(1);
        ASSERT_TRUE(Eventually([] { return TThread::Workers() == 0; }));
    }
    void TearDown() override {
        os->AllowThreads();
        EngineTest::TearDown();
        ReportThreadsTo(nullptr);
        TThread::Reopen();
        TThread::SetIdleTimeout(5000);
    }
    const std::wstring refused = L"Can not start a worker thread; new work waits until one starts. Error code: 8\r\n";
};

// Thread starts refused for a while: the monitor neither runs the batch itself nor drops it; the
// batch runs once a thread can be made, later blocks are handled as usual, and the log says once
// why work waited.
TEST_F(WorkerLimitsTest, RefusedThreadStartsLoseNoItemAndMonitoringGoesOn) {
    os->AddFile(desk + L"a.txt", "a");
    os->AddFile(desk + L"b.txt", "b");
    os->AddFile(desk + L"c.txt", "c");
    StartMonitor();
    os->RefuseThreads(6);
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"a.txt").Bytes());
    ASSERT_TRUE(Eventually([&] { return os->Exists(dest + L"a.txt"); }));
    // The batch and its worker have ended: again the monitor alone is left to start the next.
    ASSERT_TRUE(Eventually([] { return TThread::Running() == 1 && TThread::Workers() == 1; }));
    os->RefuseThreads(2);
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"b.txt").Bytes());
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"c.txt").Bytes());
    ASSERT_TRUE(Eventually([&] { return os->Exists(dest + L"b.txt") && os->Exists(dest + L"c.txt"); }));
    StopMonitor();

    EXPECT_EQ(os->refusedThreads(), 8);
    // b and c may be reported in either order: their batches run side by side.
    EXPECT_EQ(SortedEntries(), (std::vector<std::wstring>{
                                   ReportEntry({L">> Operation report for 1 files <<", L"File: a.txt moved"}),
                                   ReportEntry({L">> Operation report for 1 files <<", L"File: b.txt moved"}),
                                   ReportEntry({L">> Operation report for 1 files <<", L"File: c.txt moved"}),
                                   refused,
                               }));
    // The refusal is told before anything that waited for it.
    EXPECT_EQ(Entries().front(), refused);
}

// An exception that ends a worker's body is logged with what it was; the monitor says that
// monitoring stopped.
TEST_F(WorkerLimitsTest, AnExceptionEndingAWorkerIsLogged) {
    struct FailingMonitor : TFileMonitor {
        FailingMonitor() : TFileMonitor(true) {}
        void Execute() override { throw std::runtime_error("bad allocation"); }
    };
    struct FailingBatch : TFileMove {
        FailingBatch() : TFileMove(true) {}
        // Narrow text as UTF-8, as the runtime's messages are: it reaches the log as written.
        void Execute() override {
            throw std::length_error(
                "vector too long: \xC2\xABGr\xC3\xB6\xC3\x9F"
                "e\xC2\xBB \xE6\x97\xA5 \xF0\x9F\x98\x80");
        }
    };
    auto* monitor = new FailingMonitor;
    monitor->Settings = options.get();
    monitor->FreeOnTerminate = true;
    monitor->Resume();
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    auto* batch = new FailingBatch;
    batch->Settings = options.get();
    batch->FreeOnTerminate = true;
    batch->Resume();
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    EXPECT_EQ(
        Entries(),
        (std::vector<std::wstring>{
            L"Desktop monitoring stopped by an error: bad allocation\r\n",
            L"A worker thread stopped by an error: vector too long: \u00ABGr\u00F6\u00DFe\u00BB \u65E5 \U0001F600\r\n",
        }));
}

// The end of the program while a held file is being tried again: the retries stop, the file stays
// whole on the desktop, the report says it was not moved, the monitor is not waited for, and it
// ends at the next block, which starts nothing.
TEST_F(WorkerLimitsTest, EndingDuringARetryLeavesTheFileWholeOnTheDesktop) {
    options->SetTryToMove(true);
    options->SetTryCount(1000000);
    os->AddFile(desk + L"held.txt", "every byte");
    os->Lock(desk + L"held.txt", UINT64_MAX);
    os->AddFile(desk + L"late.txt", "late");
    StartMonitor();
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"held.txt").Bytes());
    ASSERT_TRUE(Eventually([&] { return CallsOf(L"MoveFile").size() >= 3; }));

    EXPECT_TRUE(TThread::EndAll(2000));
    EXPECT_LT(CallsOf(L"MoveFile").size(), 100000u);
    EXPECT_EQ(os->Content(desk + L"held.txt"), "every byte");
    EXPECT_FALSE(os->Exists(dest + L"held.txt"));

    os->PushChanges(ChangeBlock().Add(kActionAdded, L"late.txt").Bytes());
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    EXPECT_TRUE(os->Exists(desk + L"late.txt"));
    EXPECT_EQ(Entries(), std::vector<std::wstring>{ReportEntry(
                             {L">> Operation report for 1 files <<", L"File: held.txt not moved. Error code: 32"})});
}

// The end of the program during a folder's quiet period: the folder stays on the desktop under its
// own name and the mover says it was not moved.
TEST_F(WorkerLimitsTest, EndingDuringAQuietPeriodLeavesTheFolderOnTheDesktop) {
    options->SetMoveFolderDelay(INT32_MAX);
    os->AddFile(desk + L"photos\\a.jpg", "jpg");
    auto* mover = new TMoveDirectory(true);
    mover->Settings = options.get();
    mover->FolderName = L"photos";
    mover->FreeOnTerminate = true;
    mover->Resume();
    ASSERT_TRUE(Eventually([&] { return os->Now() >= 1000; }));

    EXPECT_TRUE(TThread::EndAll(2000));
    EXPECT_EQ(os->Content(desk + L"photos\\a.jpg"), "jpg");
    EXPECT_EQ(os->List(desk), std::vector<std::wstring>{L"photos"});
    EXPECT_EQ(Entries(), std::vector<std::wstring>{ReportEntry({L"Folder: photos not moved. Error code: 1223"})});
}

}  // namespace
}  // namespace vantrel::test

// The desktop change monitor: opening, reading, overflow, pause and one batch per block.
#include "EngineFixture.h"

namespace vantrel::test {
namespace {

using namespace fake;

class MonitorTest : public EngineTest {
  protected:
    // Lets the monitor take every pushed read and end at the last one (a fatal read error).
    void RunMonitor(uint32_t endCode = kErrorAccessDenied) {
        os->PushReadError(endCode);
        StartMonitor();
        ASSERT_TRUE(TThread::WaitForIdle(20000));
    }
    const std::wstring fatal = L"Read directory change error. Error code: 5\r\n";
};

TEST_F(MonitorTest, AMissingDesktopGivesOneLineAndNoBatch) {
    os->Remove(desk);
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"a.txt").Bytes());
    StartMonitor();
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"Can not open Desktop Folder for monitoring. Error code: 2\r\n"}));
    EXPECT_EQ(os->PendingReads(), 1u);
    EXPECT_TRUE(os->Calls().empty());
}

TEST_F(MonitorTest, AnOpenFailureGivesTheSystemCode) {
    os->Fail(fake::Fault::OpenDirectoryChanges, desk, kErrorAccessDenied);
    StartMonitor();
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"Can not open Desktop Folder for monitoring. Error code: 5\r\n"}));
}

TEST_F(MonitorTest, AFailedReadStopsMonitoring) {
    os->AddFile(desk + L"a.txt");
    os->AddFile(desk + L"b.txt");
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"a.txt").Bytes());
    os->PushReadError(kErrorAccessDenied);
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"b.txt").Bytes());
    StartMonitor();
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    EXPECT_EQ(SortedEntries(), (std::vector<std::wstring>{
                                   ReportEntry({L">> Operation report for 1 files <<", L"File: a.txt moved"}),
                                   fatal,
                               }));
    EXPECT_EQ(os->PendingReads(), 1u);
    EXPECT_TRUE(os->Exists(desk + L"b.txt"));
}

TEST_F(MonitorTest, AnOverflowIsLoggedAndMonitoringGoesOn) {
    // Windows reports an overflow as a success with no bytes, Wine as ERROR_NOTIFY_ENUM_DIR.
    os->AddFile(desk + L"a.txt");
    os->PushOverflow();
    os->PushReadError(kErrorNotifyEnumDir);
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"a.txt").Bytes());
    RunMonitor();
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0], L"Byte return error. Error code: 0\r\n");
    EXPECT_EQ(entries[1], L"Byte return error. Error code: 1022\r\n");
    std::sort(entries.begin() + 2, entries.end());
    EXPECT_EQ(entries[2], ReportEntry({L">> Operation report for 1 files <<", L"File: a.txt moved"}));
    EXPECT_EQ(entries[3], fatal);
}

TEST_F(MonitorTest, BlocksWhilePausedAreDroppedSilently) {
    os->AddFile(desk + L"a.txt");
    os->AddDirectory(desk + L"photos");
    options->SetMoveFolder(true);
    options->Paused = true;
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"a.txt").Add(kActionAdded, L"photos").Bytes());
    os->PushOverflow();  // what would be logged is discarded as well
    RunMonitor();
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{fatal}));
    EXPECT_TRUE(os->Calls().empty());
    EXPECT_TRUE(os->Exists(desk + L"a.txt"));
}

TEST_F(MonitorTest, EveryNonEmptyBlockStartsOneBatchWithItsOwnCopy) {
    std::vector<std::wstring> expected{fatal};
    for (int i = 0; i < 20; ++i) {
        std::wstring name = L"file" + std::to_wstring(i) + L".txt";
        os->AddFile(desk + name);
        // Unpadded and of growing length, so a batch reading the monitor's buffer would see another block.
        os->PushChanges(ChangeBlock(i % 2 == 0).Add(kActionAdded, name).Add(kActionRemoved, L"x" + name).Bytes());
        expected.push_back(ReportEntry({L">> Operation report for 1 files <<", L"File: " + name + L" moved"}));
    }
    os->PushChanges(ChangeBlock().Add(kActionRemoved, L"gone.txt").Bytes());  // a batch that finds nothing
    RunMonitor();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SortedEntries(), expected);
    EXPECT_EQ(CallsOf(L"MoveFile").size(), 20u);
}

}  // namespace
}  // namespace vantrel::test

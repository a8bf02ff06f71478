// The desktop change monitor: opening, reading, overflow, pause, one batch per block, the picture
// of the desktop that finds what lost changes announced, and the watch opened again after a
// failure.
#include "EngineFixture.h"

namespace vantrel::test {
namespace {

using namespace fake;

class MonitorTest : public EngineTest {
  protected:
    // Lets the monitor take every pushed read and ends it.
    void RunMonitor() {
        StartMonitor();
        StopMonitor();
    }
    // Changes the system lost: on Windows a read with no bytes, under Wine a failed read.
    void LoseChanges() { os->PushReadError(kErrorNotifyEnumDir); }
    const std::wstring lost = L"Byte return error. Error code: 1022\r\n";
    static std::wstring Rescanned(int count) {
        return L"Desktop rescanned after missed changes: " + std::to_wstring(count) + L" new items\r\n";
    }
    static std::wstring Moved(const StringList& names) {
        StringList lines{L">> Operation report for " + std::to_wstring(names.size()) + L" files <<"};
        for (const auto& name : names)
            lines.push_back(L"File: " + name + L" moved");
        return ReportEntry(lines);
    }
};

TEST_F(MonitorTest, AMissingDesktopGivesOneLineAndNoBatch) {
    os->Remove(desk);
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"a.txt").Bytes());
    StartMonitor();
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"Can not open Desktop Folder for monitoring. Error code: 2\r\n"}));
    EXPECT_EQ(os->PendingReads(), 1u);
    EXPECT_TRUE(os->Calls().empty());
    // The tray says so: nothing watches the desktop.
    EXPECT_EQ(Watching(), std::vector<bool>{false});
}

TEST_F(MonitorTest, AnOpenFailureGivesTheSystemCode) {
    os->Fail(fake::Fault::OpenDirectoryChanges, desk, kErrorAccessDenied);
    StartMonitor();
    ASSERT_TRUE(TThread::WaitForIdle(20000));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"Can not open Desktop Folder for monitoring. Error code: 5\r\n"}));
}

TEST_F(MonitorTest, AnOverflowIsLoggedAndMonitoringGoesOn) {
    // Windows reports an overflow as a success with no bytes, Wine as ERROR_NOTIFY_ENUM_DIR.
    os->AddFile(desk + L"a.txt");
    os->PushOverflow();
    LoseChanges();
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"a.txt").Bytes());
    RunMonitor();
    // a.txt was there when monitoring started: the rescans leave it; its record moves it.
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"Byte return error. Error code: 0\r\n", Rescanned(0), lost,
                                                    Rescanned(0), Moved({L"a.txt"})}));
}

TEST_F(MonitorTest, BlocksWhilePausedAreDroppedSilently) {
    os->AddFile(desk + L"a.txt");
    os->AddDirectory(desk + L"photos");
    options->SetMoveFolder(true);
    options->Paused = true;
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"a.txt").Add(kActionAdded, L"photos").Bytes());
    os->PushOverflow();  // what would be logged is discarded as well
    RunMonitor();
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(os->Calls().empty());
    EXPECT_TRUE(os->Exists(desk + L"a.txt"));
}

TEST_F(MonitorTest, EveryNonEmptyBlockStartsOneBatchWithItsOwnCopy) {
    std::vector<std::wstring> expected;
    for (int i = 0; i < 20; ++i) {
        std::wstring name = L"file" + std::to_wstring(i) + L".txt";
        os->AddFile(desk + name);
        // Unpadded and of growing length, so a batch reading the monitor's buffer would see another block.
        os->PushChanges(ChangeBlock(i % 2 == 0).Add(kActionAdded, name).Add(kActionRemoved, L"x" + name).Bytes());
        expected.push_back(Moved({name}));
    }
    os->PushChanges(ChangeBlock().Add(kActionRemoved, L"gone.txt").Bytes());  // a batch that finds nothing
    RunMonitor();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SortedEntries(), expected);
    EXPECT_EQ(CallsOf(L"MoveFile").size(), 20u);
}

// After lost changes, the names on the desktop that the picture did not hold are new items; every
// name the monitor read about, acted on or not, is in the picture and stays where it is.
TEST_F(MonitorTest, ARescanMovesOnlyWhatArrivedUnseen) {
    options->SetExcludedExt({L"*.tmp"});
    options->SetMoveFolder(true);
    for (const wchar_t* name : {L"Kept.txt", L"Old Name.txt", L"gone.txt", L"Taken Away.txt"})
        os->AddFile(desk + name, "there at the start");
    StartMonitor();
    ASSERT_TRUE(WaitFor([&] { return os->DirectoryOpens().size() == 1; }, 20000));

    // Read while paused (the window shown): kept.
    options->Paused = true;
    os->AddFile(desk + L"While Shown.txt");
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"While Shown.txt").Bytes());
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"x.txt").Bytes());  // saved and removed while shown
    os->PushChanges(ChangeBlock().Add(kActionRemoved, L"x.txt").Bytes());
    ASSERT_TRUE(WaitFor([&] { return os->PendingReads() == 0; }, 20000));
    options->Paused = false;
    // Acted on by no batch: a masked name, a rename while renamed items stay, a holding name.
    os->AddFile(desk + L"Draft.tmp");
    os->Remove(desk + L"Old Name.txt");
    os->AddFile(desk + L"New Name.txt");
    os->AddDirectory(desk + L"~dvrename5_Photos");
    os->PushChanges(ChangeBlock()
                        .Add(kActionAdded, L"Draft.tmp")
                        .Add(kActionRenamedOld, L"Old Name.txt")
                        .Add(kActionRenamedNew, L"New Name.txt")
                        .Add(kActionAdded, L"~dvrename5_Photos")
                        .Bytes());
    // Moved away by another program, and renamed onto the desktop from elsewhere.
    os->Remove(desk + L"Taken Away.txt");
    os->AddFile(desk + L"Brought In.txt");
    os->PushChanges(
        ChangeBlock().Add(kActionRemoved, L"Taken Away.txt").Add(kActionRenamedNew, L"Brought In.txt").Bytes());
    // Lost: two files and a folder; gone.txt leaves and comes back without a word.
    os->AddFile(desk + L"Unseen One.txt");
    os->AddFile(desk + L"unseen two.doc");
    os->AddFile(desk + L"Unseen Folder\\inside.txt");
    os->Remove(desk + L"gone.txt");
    LoseChanges();
    ASSERT_TRUE(WaitFor([&] { return os->PendingReads() == 0; }, 20000));
    ASSERT_TRUE(WaitFor([&] { return os->Exists(dest + L"unseen two.doc"); }, 20000));
    os->AddFile(desk + L"gone.txt", "made again");
    LoseChanges();
    StopMonitor();

    auto entries = Entries();
    ASSERT_EQ(entries.size(), 7u);
    EXPECT_EQ(entries[0], lost);
    EXPECT_EQ(entries[1], Rescanned(3));
    std::vector<std::wstring> rest(entries.begin() + 2, entries.end()),
        expected{
            ReportEntry({L">> Operation report for 3 files <<", L"Folder: unseen folder movement initialized",
                         L"File: unseen one.txt moved", L"File: unseen two.doc moved"}),
            Rescanned(1),
            Moved({L"gone.txt"}),
            ReportEntry({L"Folder: unseen folder moved"}),
            lost,
        };
    std::sort(rest.begin(), rest.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rest, expected);
    EXPECT_EQ(os->List(desk), (std::vector<std::wstring>{L"brought in.txt", L"draft.tmp", L"kept.txt", L"new name.txt",
                                                         L"while shown.txt", L"~dvrename5_photos"}));
    EXPECT_EQ(os->Content(dest + L"gone.txt"), "made again");
}

// Lost changes while paused: what arrived meanwhile is taken into the picture, never moved later.
TEST_F(MonitorTest, ARescanWhilePausedKeepsWhatArrived) {
    StartMonitor();
    ASSERT_TRUE(WaitFor([&] { return os->DirectoryOpens().size() == 1; }, 20000));
    options->Paused = true;
    os->AddFile(desk + L"paused.txt");
    LoseChanges();
    ASSERT_TRUE(WaitFor([&] { return os->PendingReads() == 0; }, 20000));
    ASSERT_TRUE(WaitFor([&] { return Entries().size() == 2; }, 20000));
    options->Paused = false;
    os->AddFile(desk + L"later.txt");
    LoseChanges();
    StopMonitor();
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{lost, Rescanned(0), lost, Rescanned(1), Moved({L"later.txt"})}));
    EXPECT_TRUE(os->Exists(desk + L"paused.txt"));
}

// A failed read: the watch is opened again after 1 s, 2 s, 4 s ... up to a minute between
// attempts, on the virtual clock. A watch that fails again at once keeps the long wait; a read
// that works brings the short one back. What was saved while nothing watched is moved.
TEST_F(MonitorTest, AFailedWatchIsOpenedAgainLaterAndLater) {
    constexpr SysError kNetNameDeleted{64}, kBadNetPath{53};
    os->AddFile(desk + L"kept.txt");
    os->Schedule(10000, [&] { os->AddFile(desk + L"while away.txt"); });
    StartMonitor();
    ASSERT_TRUE(WaitFor([&] { return os->DirectoryOpens().size() == 1; }, 20000));
    os->Fail(Fault::OpenDirectoryChanges, desk, kBadNetPath, 8);
    os->PushReadError(kNetNameDeleted);
    ASSERT_TRUE(WaitFor([&] { return os->DirectoryOpens().size() == 10; }, 20000));
    os->PushReadError(kNetNameDeleted);  // fails again at once
    ASSERT_TRUE(WaitFor([&] { return std::ranges::count(Entries(), L"Desktop monitoring resumed\r\n") == 2; }, 20000));
    os->AddFile(desk + L"after.txt");
    os->PushChanges(ChangeBlock().Add(kActionAdded, L"after.txt").Bytes());
    os->PushReadError(kNetNameDeleted);
    ASSERT_TRUE(WaitFor([&] { return os->DirectoryOpens().size() == 12; }, 20000));
    StopMonitor();

    const std::vector<uint64_t> opens = os->DirectoryOpens();
    std::vector<uint64_t> waits;
    for (size_t i = 1; i < opens.size(); ++i)
        waits.push_back(opens[i] - opens[i - 1]);
    EXPECT_EQ(waits, (std::vector<uint64_t>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000, 60000, 1000}));

    // The monitor's own lines in their order; the batches' reports may come between them anywhere.
    std::vector<std::wstring> lines, reports;
    for (auto& entry : Entries())
        (entry.rfind(L">>", 0) == 0 ? reports : lines).push_back(entry);
    const std::wstring failed = L"Read directory change error. Error code: 64\r\n";
    const std::wstring resumed = L"Desktop monitoring resumed\r\n";
    EXPECT_EQ(lines, (std::vector<std::wstring>{failed, Rescanned(1), resumed, failed, Rescanned(0), resumed, failed,
                                                Rescanned(0), resumed}));
    std::sort(reports.begin(), reports.end());
    EXPECT_EQ(reports, (std::vector<std::wstring>{Moved({L"after.txt"}), Moved({L"while away.txt"})}));
    EXPECT_TRUE(os->Exists(desk + L"kept.txt"));
    EXPECT_EQ(Watching(), (std::vector<bool>{false, true, false, true, false, true}));
}

// A desktop folder that goes away and comes back: nothing watches it meanwhile; what comes back
// with it stays, what is new in it is moved.
TEST_F(MonitorTest, ADesktopRemovedAndMadeAgainIsWatchedAgain) {
    os->AddFile(desk + L"kept.txt");
    StartMonitor();
    ASSERT_TRUE(WaitFor([&] { return os->DirectoryOpens().size() == 1; }, 20000));
    // Back half a second later on the virtual clock, before the first attempt to watch again.
    os->Schedule(os->Now() + 500, [&] {
        os->AddFile(desk + L"kept.txt");
        os->AddFile(desk + L"new.txt");
    });
    os->Remove(desk);
    ASSERT_TRUE(WaitFor([&] { return Watching().size() == 2; }, 20000));
    StopMonitor();
    EXPECT_EQ(Watching(), (std::vector<bool>{false, true}));
    EXPECT_EQ(SortedEntries(),
              (std::vector<std::wstring>{Moved({L"new.txt"}), L"Desktop monitoring resumed\r\n", Rescanned(1),
                                         L"Read directory change error. Error code: 2\r\n"}));
    EXPECT_TRUE(os->Exists(desk + L"kept.txt"));
}

}  // namespace
}  // namespace vantrel::test

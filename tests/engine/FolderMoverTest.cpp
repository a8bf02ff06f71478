// The delayed folder mover: quiet periods, the take under a holding name, clashes and failures.
#include "EngineFixture.h"

namespace vantrel::test {
namespace {

class FolderMoverTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        os->AddFile(desk + L"photos\\a.jpg", "jpg");
        t0 = os->Now();
    }
    // The shell operations, as "op at from -> to ok".
    std::vector<std::wstring> ShellCalls() {
        std::vector<std::wstring> calls;
        for (auto& call : os->Calls())
            if (call.op == L"ShellRename" || call.op == L"ShellMove")
                calls.push_back(call.op + L" " + std::to_wstring(call.at - t0) + L" " + call.from + L" -> " + call.to +
                                (call.ok ? L"" : L" failed"));
        return calls;
    }
    std::wstring Take(uint64_t at, const std::wstring& holding, bool ok = true) {
        return L"ShellRename " + std::to_wstring(at) + L" " + desk + L"photos -> " + desk + holding +
               (ok ? L"" : L" failed");
    }
    std::wstring Move(uint64_t at, const std::wstring& holding, const std::wstring& target, bool ok = true) {
        return L"ShellMove " + std::to_wstring(at) + L" " + desk + holding + L" -> " + target + L"photos" +
               (ok ? L"" : L" failed");
    }
    std::wstring GiveBack(uint64_t at, const std::wstring& holding) {
        return L"ShellRename " + std::to_wstring(at) + L" " + desk + holding + L" -> " + desk + L"photos";
    }
    // The new folder is back on the desktop under its own name, the one in the target as it was.
    void ExpectUntouched() {
        EXPECT_EQ(os->List(desk), (Lines{L"photos"}));
        EXPECT_EQ(os->Content(desk + L"photos\\a.jpg"), "jpg");
        EXPECT_EQ(os->List(dest + L"photos"), (Lines{L"b.jpg"}));
        EXPECT_EQ(os->Content(dest + L"photos\\b.jpg"), "old");
    }
    using Lines = std::vector<std::wstring>;
    uint64_t t0 = 0;
};

TEST_F(FolderMoverTest, AnUntouchedFolderIsMovedAfterOneQuietPeriod) {
    os->SetTick(5000);
    RunMover(L"photos");
    EXPECT_EQ(ShellCalls(), (Lines{Take(2000, L"~dvrename5000_photos"), Move(2000, L"~dvrename5000_photos", dest)}));
    EXPECT_EQ(os->Content(dest + L"photos\\a.jpg"), "jpg");
    EXPECT_FALSE(os->Exists(desk + L"photos"));
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos moved"})}));
    EXPECT_EQ(os->desktopRefreshes(), 1);
}

TEST_F(FolderMoverTest, EveryNameChangeInsideRestartsTheQuietPeriod) {
    os->SetTick(7);
    os->Schedule(t0 + 1500, [&] { os->AddFile(desk + L"photos\\b.jpg"); });
    os->Schedule(t0 + 3000, [&] { os->AddFile(desk + L"photos\\sub\\c.jpg"); });
    os->Schedule(t0 + 4500, [&] { os->Remove(desk + L"photos\\a.jpg"); });
    RunMover(L"photos");
    EXPECT_EQ(ShellCalls(), (Lines{Take(6500, L"~dvrename7_photos"), Move(6500, L"~dvrename7_photos", dest)}));
    EXPECT_TRUE(os->Exists(dest + L"photos\\sub\\c.jpg"));
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos moved"})}));
}

TEST_F(FolderMoverTest, WritingIntoAnExistingFileIsNoChange) {
    os->SetTick(7);
    os->Schedule(t0 + 1000, [&] { os->WriteFile(desk + L"photos\\a.jpg", "more"); });
    RunMover(L"photos");
    EXPECT_EQ(ShellCalls(), (Lines{Take(2000, L"~dvrename7_photos"), Move(2000, L"~dvrename7_photos", dest)}));
}

TEST_F(FolderMoverTest, AFailedTakeWaitsAnotherFullPeriodSilently) {
    os->SetTick(7);
    os->Fail(fake::Fault::Shell, desk + L"photos", kErrorSharingViolation, 2);
    options->SetMoveFolderDelay(1500);
    RunMover(L"photos");
    EXPECT_EQ(ShellCalls(), (Lines{Take(1500, L"~dvrename7_photos", false), Take(3000, L"~dvrename7_photos", false),
                                   Take(4500, L"~dvrename7_photos"), Move(4500, L"~dvrename7_photos", dest)}));
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos moved"})}));
}

TEST_F(FolderMoverTest, AClashingFolderIsRenamedAsideBeforeTheWait) {
    os->AddFile(dest + L"photos\\old.jpg", "old");
    os->SetTick(54198);
    RunMover(L"photos");
    EXPECT_EQ(os->Content(dest + L"Rename54198_photos\\old.jpg"), "old");
    EXPECT_EQ(os->Content(dest + L"photos\\a.jpg"), "jpg");
    auto calls = ShellCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], L"ShellRename 0 " + dest + L"photos -> " + dest + L"Rename54198_photos");
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: " + dest + L"photos renamed to: " + dest + L"Rename54198_photos",
                                             L"Folder: photos moved"})}));
}

TEST_F(FolderMoverTest, AFailedClashRenameIsLoggedAndTheMoveFails) {
    os->AddDirectory(dest + L"photos");
    os->Fail(fake::Fault::Shell, dest + L"photos", kErrorAccessDenied);
    RunMover(L"photos");
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: " + dest + L"photos not renamed. Error code: 5",
                                             L"Folder: photos not moved. Error code: 183"})}));
}

TEST_F(FolderMoverTest, NoClashStepWithRenameFolderClearOrForAFile) {
    os->SetTick(7);
    options->SetRenameFolder(false);
    os->AddFile(dest + L"photos\\b.jpg", "old");
    RunMover(L"photos");
    EXPECT_EQ(ShellCalls(), (Lines{Take(2000, L"~dvrename7_photos"), GiveBack(2000, L"~dvrename7_photos")}));
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos not moved. Error code: 183"})}));
    ExpectUntouched();

    options->SetRenameFolder(true);
    os->Remove(dest + L"photos");
    os->AddFile(dest + L"photos", "a file");
    RunMover(L"photos");
    for (auto& call : os->Calls())
        EXPECT_NE(call.from, dest + L"photos");
    EXPECT_EQ(os->Content(dest + L"photos"), "a file");
    EXPECT_EQ(Entries().back(), ReportEntry({L"Folder: photos not moved. Error code: 183"}));
    EXPECT_EQ(os->Content(desk + L"photos\\a.jpg"), "jpg");
}

TEST_F(FolderMoverTest, AClashThatAppearsDuringTheWaitKeepsBothFolders) {
    os->SetTick(7);
    os->Schedule(t0 + 1000, [&] { os->AddFile(dest + L"photos\\b.jpg", "old"); });
    RunMover(L"photos");
    EXPECT_EQ(ShellCalls(), (Lines{Take(2000, L"~dvrename7_photos"), GiveBack(2000, L"~dvrename7_photos")}));
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos not moved. Error code: 183"})}));
    ExpectUntouched();
}

TEST_F(FolderMoverTest, AFailedMoveGivesTheFolderItsNameBack) {
    os->SetTick(7);
    os->Fail(fake::Fault::Shell, desk + L"~dvrename7_photos", kErrorAccessDenied, 1);
    RunMover(L"photos");
    EXPECT_EQ(ShellCalls(), (Lines{Take(2000, L"~dvrename7_photos"), Move(2000, L"~dvrename7_photos", dest, false),
                                   GiveBack(2000, L"~dvrename7_photos")}));
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos not moved. Error code: 5"})}));
    EXPECT_EQ(os->Content(desk + L"photos\\a.jpg"), "jpg");
    EXPECT_EQ(os->List(desk), (Lines{L"photos"}));
}

TEST_F(FolderMoverTest, AShellResultAndASystemCodeOfOneNumberAreLoggedAlike) {
    // The shell's move fails with its result 5.
    os->SetTick(7);
    os->Fail(fake::Fault::Shell, desk + L"~dvrename7_photos", kErrorAccessDenied, 1);
    RunMover(L"photos");
    // A name ending in a dot is moved by MoveFileW, which fails with the system's code 5.
    os->AddFile(desk + L"photos.\\dotted.jpg", "dotted");
    os->SetTick(8);
    os->Fail(fake::Fault::MoveFile, desk + L"~dvrename8_photos.", kErrorAccessDenied, 1);
    RunMover(L"photos.");
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos not moved. Error code: 5"}),
                                ReportEntry({L"Folder: photos. not moved. Error code: 5"})}));
    std::vector<std::wstring> failedMoves;
    for (const fake::Call& call : CallsOf(L"MoveFile"))
        if (!call.ok) failedMoves.push_back(call.from);
    EXPECT_EQ(failedMoves, (Lines{desk + L"~dvrename8_photos."}));
    EXPECT_EQ(os->Content(desk + L"photos.\\dotted.jpg"), "dotted");
}

TEST_F(FolderMoverTest, AFolderWhoseNameWasTakenMeanwhileGetsANumberedOne) {
    os->SetTick(7);
    os->AddDirectory(dest + L"photos");
    options->SetRenameFolder(false);
    // Another "photos" appears on the desktop the moment ours bears its holding name.
    os->After(fake::Operation::ShellRename, [&] { os->AddFile(desk + L"photos", "newcomer"); });
    RunMover(L"photos");
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos not moved. Error code: 183"})}));
    EXPECT_EQ(os->Content(desk + L"photos"), "newcomer");
    EXPECT_EQ(os->Content(desk + L"photos (2)\\a.jpg"), "jpg");
}

TEST_F(FolderMoverTest, AFolderOfTheSameNameArrivingInTheLastInstantGetsNoNestedCopy) {
    // It comes between the check of the target and the shell's move, which then puts ours inside it.
    os->SetTick(7);
    options->SetRenameFolder(false);
    os->Before(fake::Operation::ShellMove, [&] { os->AddFile(dest + L"photos\\b.jpg", "old"); });
    RunMover(L"photos");
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos not moved. Error code: 183"})}));
    ExpectUntouched();
}

TEST_F(FolderMoverTest, ATargetThatBecameTheDesktopMovesNothing) {
    os->SetTick(7);
    os->Schedule(t0 + 1000, [&] { options->SetDestinationFolder(desk); });
    RunMover(L"photos");
    EXPECT_EQ(ShellCalls(), (Lines{Take(2000, L"~dvrename7_photos"), GiveBack(2000, L"~dvrename7_photos")}));
    EXPECT_EQ(
        Entries(),
        (Lines{ReportEntry({L"Folder: photos not moved: the target folder " + desk + L" is the desktop folder."})}));
    EXPECT_EQ(os->List(desk), (Lines{L"photos"}));
}

TEST_F(FolderMoverTest, ANameEndingInADotIsMovedAsItIs) {
    // The shell would act on "photos" instead; the file system's own move takes the name as it is.
    os->SetTick(7);
    os->AddFile(desk + L"photos.\\dotted.jpg", "dotted");
    RunMover(L"photos.");
    EXPECT_TRUE(ShellCalls().empty());
    EXPECT_EQ(os->Content(dest + L"photos.\\dotted.jpg"), "dotted");
    EXPECT_EQ(os->Content(desk + L"photos\\a.jpg"), "jpg");
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos. moved"})}));
}

TEST_F(FolderMoverTest, AWatchThatCannotStartEndsWithoutWaitOrMove) {
    os->Fail(fake::Fault::WatchFolderTree, desk + L"photos", kErrorAccessDenied);
    RunMover(L"photos");
    EXPECT_TRUE(ShellCalls().empty());
    EXPECT_EQ(os->Now(), t0);
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos not moved. Error code: 5"})}));
    EXPECT_EQ(os->desktopRefreshes(), 1);
}

TEST_F(FolderMoverTest, AFolderGoneBeforeTheWatchKeepsTheClashLine) {
    os->Remove(desk + L"photos");
    os->AddDirectory(dest + L"photos");
    os->SetTick(9);
    RunMover(L"photos");
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: " + dest + L"photos renamed to: " + dest + L"Rename9_photos",
                                             L"Folder: photos not moved. Error code: 2"})}));
}

TEST_F(FolderMoverTest, AFailedRearmEndsTheWaitAndTheMoveFails) {
    os->SetTick(7);
    os->Fail(fake::Fault::Rearm, desk + L"photos", SysError{6});
    os->Schedule(t0 + 500, [&] { os->AddFile(desk + L"photos\\b.jpg"); });
    RunMover(L"photos");
    // The shell reports success for a source that is not there; the folder is not in the target.
    EXPECT_EQ(ShellCalls(), (Lines{Move(500, L"~dvrename7_photos", dest)}));
    EXPECT_TRUE(os->Exists(desk + L"photos\\b.jpg"));
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos not moved. Error code: 3"})}));
}

TEST_F(FolderMoverTest, NegativeTickCountsInBothGeneratedNames) {
    os->AddDirectory(dest + L"photos");
    os->SetTick(0x80000000u + 100);
    RunMover(L"photos");
    auto calls = ShellCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], L"ShellRename 0 " + dest + L"photos -> " + dest + L"Rename-2147483548_photos");
    EXPECT_EQ(calls[1], Take(2000, L"~dvrename-2147483548_photos"));
    EXPECT_EQ(calls[2], Move(2000, L"~dvrename-2147483548_photos", dest));
}

TEST_F(FolderMoverTest, TheTargetIsReadAfreshAtTheMove) {
    os->SetTick(7);
    std::wstring other = L"C:\\Other\\";
    os->AddDirectory(other);
    os->Schedule(t0 + 1000, [&] { options->SetDestinationFolder(other); });
    RunMover(L"photos");
    EXPECT_EQ(ShellCalls(), (Lines{Take(2000, L"~dvrename7_photos"), Move(2000, L"~dvrename7_photos", other)}));
    EXPECT_TRUE(os->Exists(other + L"photos\\a.jpg"));
}

TEST_F(FolderMoverTest, TheDelayIsReadForEveryWait) {
    os->SetTick(7);
    os->Schedule(t0 + 1000, [&] {
        options->SetMoveFolderDelay(500);
        os->AddFile(desk + L"photos\\b.jpg");
    });
    RunMover(L"photos");
    EXPECT_EQ(ShellCalls(), (Lines{Take(1500, L"~dvrename7_photos"), Move(1500, L"~dvrename7_photos", dest)}));
}

TEST_F(FolderMoverTest, AFolderThatVanishesDuringTheWaitEndsIt) {
    // Its contents go first: the watch sees the change and the mover finds the folder gone.
    os->SetTick(7);
    os->Schedule(t0 + 500, [&] { os->Remove(desk + L"photos"); });
    RunMover(L"photos");
    EXPECT_TRUE(ShellCalls().empty());
    EXPECT_EQ(os->Now(), t0 + 500);
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos not moved. Error code: 2"})}));
}

TEST_F(FolderMoverTest, AnEmptyFolderThatVanishesEndsAtTheFailedTake) {
    os->Remove(desk + L"photos\\a.jpg");
    os->SetTick(7);
    os->Schedule(t0 + 500, [&] { os->Remove(desk + L"photos"); });
    RunMover(L"photos");
    EXPECT_EQ(ShellCalls(), (Lines{Take(2000, L"~dvrename7_photos", false)}));
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos not moved. Error code: 2"})}));
}

TEST_F(FolderMoverTest, WaitsThatNeverSettleEndAfterABoundedNumber) {
    os->SetTick(7);
    os->InjectOtherWaits(TMoveDirectory::kMaxOtherWaits - 1);
    RunMover(L"photos");
    EXPECT_EQ(Entries(), (Lines{ReportEntry({L"Folder: photos moved"})}));

    os->Remove(dest + L"photos");
    os->Remove(desk + L"~dvrename7_photos");
    os->AddDirectory(desk + L"photos");
    os->InjectOtherWaits(TMoveDirectory::kMaxOtherWaits);
    RunMover(L"photos");
    EXPECT_TRUE(os->Exists(desk + L"photos"));
    EXPECT_EQ(Entries().back(), ReportEntry({L"Folder: photos not moved. Error code: 3"}));
}

TEST_F(FolderMoverTest, ADelayBelowOneMillisecondWaitsOneMillisecond) {
    for (int32_t delay : {0, -5, -2147483647 - 1}) {
        SCOPED_TRACE(delay);
        os->Remove(dest + L"photos");
        os->AddDirectory(desk + L"photos");
        os->SetTick(7);
        t0 = os->Now();
        size_t before = os->Calls().size();
        options->SetMoveFolderDelay(delay);
        RunMover(L"photos");
        auto calls = os->Calls();
        ASSERT_EQ(calls.size(), before + 2);
        EXPECT_EQ(calls[before].at, t0 + 1);
        EXPECT_TRUE(calls[before].ok);
    }
}

}  // namespace
}  // namespace vantrel::test

// The item rules: clashes in the target, attempts one second apart, folders and vanished items.
#include "EngineFixture.h"

namespace vantrel::test {
namespace {

using namespace fake;

class ItemRulesTest : public EngineTest {
  protected:
    void MoveOne(const std::wstring& name) { RunBatch(ChangeBlock().Add(kActionAdded, name)); }
};

// Virtual times of the calls from one path, relative to the first of them.
std::vector<uint64_t> Relative(const std::vector<fake::Call>& calls, const std::wstring& from) {
    std::vector<uint64_t> times;
    for (auto& call : calls)
        if (call.from == from) times.push_back(call.at);
    uint64_t first = times.empty() ? 0 : times.front();
    for (auto& t : times)
        t -= first;
    return times;
}

TEST_F(ItemRulesTest, AFileWithoutClashIsMovedAtOnce) {
    os->AddFile(desk + L"report.doc", "new");
    const size_t folderLooks = os->Lookups(fake::Lookup::DirectoryExists);
    const size_t fileLooks = os->Lookups(fake::Lookup::FileExists);
    MoveOne(L"report.doc");
    EXPECT_EQ(os->Content(dest + L"report.doc"), "new");
    EXPECT_FALSE(os->Exists(desk + L"report.doc"));
    EXPECT_EQ(
        Entries(),
        (std::vector<std::wstring>{ReportEntry({L">> Operation report for 1 files <<", L"File: report.doc moved"})}));
    // One look at the item and the move: the target is not looked at while its name is free.
    EXPECT_EQ(os->Lookups(fake::Lookup::DirectoryExists) - folderLooks, 1u);
    EXPECT_EQ(os->Lookups(fake::Lookup::FileExists) - fileLooks, 0u);
    EXPECT_EQ(CallsOf(L"MoveFile").size(), 1u);
}

TEST_F(ItemRulesTest, AClashingFileIsRenamedAsideWithTheTickCount) {
    os->AddFile(desk + L"report.doc", "new");
    os->AddFile(dest + L"report.doc", "old");
    os->SetTick(123456);
    MoveOne(L"report.doc");
    EXPECT_EQ(os->Content(dest + L"Rename123456_report.doc"), "old");
    EXPECT_EQ(os->Content(dest + L"report.doc"), "new");
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry(
                             {L">> Operation report for 1 files <<",
                              L"File: " + dest + L"report.doc renamed to: " + dest + L"Rename123456_report.doc",
                              L"File: report.doc moved"})}));
}

TEST_F(ItemRulesTest, TickCountsPast2To31AreWrittenNegative) {
    os->AddFile(desk + L"report.doc", "new");
    os->AddFile(dest + L"report.doc", "old");
    os->SetTick(2147487296u);  // -2147480000 as a signed 32-bit number
    MoveOne(L"report.doc");
    EXPECT_EQ(os->Content(dest + L"Rename-2147480000_report.doc"), "old");
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_NE(entries[0].find(L" renamed to: " + dest + L"Rename-2147480000_report.doc\r\n"), std::wstring::npos);
}

TEST_F(ItemRulesTest, AClashingFileIsDeletedWithRenameFileClear) {
    options->SetRenameFile(false);
    os->AddFile(desk + L"report.doc", "new");
    os->AddFile(dest + L"report.doc", "old");
    MoveOne(L"report.doc");
    EXPECT_EQ(os->Content(dest + L"report.doc"), "new");
    EXPECT_EQ(os->List(dest), (std::vector<std::wstring>{L"report.doc"}));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{
                             ReportEntry({L">> Operation report for 1 files <<",
                                          L"File: " + dest + L"report.doc deleted.", L"File: report.doc moved"})}));
}

TEST_F(ItemRulesTest, AFailedRenameOrDeleteLeavesTheOldFileAndEveryAttemptFails) {
    os->AddFile(desk + L"report.doc", "new");
    os->AddFile(dest + L"report.doc", "old");
    os->Fail(fake::Fault::MoveFile, dest + L"report.doc", kErrorAccessDenied);
    os->Fail(fake::Fault::DeleteFile, dest + L"report.doc", kErrorSharingViolation);
    MoveOne(L"report.doc");
    options->SetRenameFile(false);
    MoveOne(L"report.doc");
    EXPECT_EQ(os->Content(dest + L"report.doc"), "old");
    EXPECT_TRUE(os->Exists(desk + L"report.doc"));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{
                             ReportEntry({L">> Operation report for 1 files <<",
                                          L"File: " + dest + L"report.doc not renamed. Error code: 5",
                                          L"File: report.doc not moved. Error code: 183"}),
                             ReportEntry({L">> Operation report for 1 files <<",
                                          L"File: " + dest + L"report.doc not deleted. Error code: 32",
                                          L"File: report.doc not moved. Error code: 183"}),
                         }));
    // Per batch: the try that meets the taken name, then the two attempts; one rename aside.
    EXPECT_EQ(CallsOf(L"MoveFile").size(), 3u + 1u + 3u);
}

TEST_F(ItemRulesTest, AFolderOfTheItemsNameInTheTargetIsNoClash) {
    os->AddFile(desk + L"report.doc");
    os->AddDirectory(dest + L"report.doc");
    MoveOne(L"report.doc");
    EXPECT_TRUE(CallsOf(L"DeleteFile").empty());
    EXPECT_EQ(CallsOf(L"MoveFile").size(), 1u + 2u);  // the try that meets the name, two attempts
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry({L">> Operation report for 1 files <<",
                                                                 L"File: report.doc not moved. Error code: 183"})}));
}

TEST_F(ItemRulesTest, ALockedFileIsTriedAgainEverySecond) {
    options->SetTryToMove(true);
    options->SetTryCount(3);
    os->AddFile(desk + L"busy.txt");
    os->Lock(desk + L"busy.txt", os->Now() + 2500);
    MoveOne(L"busy.txt");
    EXPECT_EQ(Relative(CallsOf(L"MoveFile"), desk + L"busy.txt"), (std::vector<uint64_t>{0, 1000, 2000, 3000}));
    EXPECT_EQ(
        Entries(),
        (std::vector<std::wstring>{ReportEntry({L">> Operation report for 1 files <<", L"File: busy.txt moved"})}));
}

TEST_F(ItemRulesTest, ALockedFileMeetingAClashKeepsTheOldFileAndTheSecondBetweenAttempts) {
    os->AddFile(desk + L"busy.txt", "new");
    os->AddFile(dest + L"busy.txt", "old");
    os->SetTick(77);
    os->Lock(desk + L"busy.txt", os->Now() + 500);
    MoveOne(L"busy.txt");
    EXPECT_EQ(os->Content(dest + L"busy.txt"), "new");
    EXPECT_EQ(os->Content(dest + L"Rename77_busy.txt"), "old");
    EXPECT_EQ(Relative(CallsOf(L"MoveFile"), desk + L"busy.txt"), (std::vector<uint64_t>{0, 1000}));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{
                             ReportEntry({L">> Operation report for 1 files <<",
                                          L"File: " + dest + L"busy.txt renamed to: " + dest + L"Rename77_busy.txt",
                                          L"File: busy.txt moved"})}));
}

TEST_F(ItemRulesTest, WithoutFurtherTriesThereAreExactlyTwoAttempts) {
    struct Case {
        bool tryToMove;
        int32_t tryCount;
    };
    for (Case c : {Case{false, 0}, Case{false, 5}, Case{true, 0}, Case{true, -1}, Case{true, -2147483647 - 1}}) {
        SCOPED_TRACE(testing::Message() << c.tryToMove << " " << c.tryCount);
        os->Remove(desk + L"busy.txt");
        os->AddFile(desk + L"busy.txt");
        os->Lock(desk + L"busy.txt", UINT64_MAX);
        options->SetTryToMove(c.tryToMove);
        options->SetTryCount(c.tryCount);
        size_t before = os->Calls().size();
        MoveOne(L"busy.txt");
        auto calls = os->Calls();
        calls.erase(calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(before));
        EXPECT_EQ(Relative(calls, desk + L"busy.txt"), (std::vector<uint64_t>{0, 1000}));
        EXPECT_EQ(Entries().back(),
                  ReportEntry({L">> Operation report for 1 files <<", L"File: busy.txt not moved. Error code: 32"}));
    }
}

TEST_F(ItemRulesTest, AllAttemptsFailingGiveTheLastAttemptsCode) {
    options->SetTryToMove(true);
    options->SetTryCount(2);
    os->AddFile(desk + L"busy.txt");
    os->Lock(desk + L"busy.txt", UINT64_MAX);
    os->Fail(fake::Fault::MoveFile, desk + L"busy.txt", kErrorAccessDenied, 3);  // the first three attempts
    MoveOne(L"busy.txt");
    EXPECT_EQ(Relative(CallsOf(L"MoveFile"), desk + L"busy.txt"), (std::vector<uint64_t>{0, 1000, 2000, 3000}));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry(
                             {L">> Operation report for 1 files <<", L"File: busy.txt not moved. Error code: 32"})}));
}

TEST_F(ItemRulesTest, ATargetChangedDuringTheRetriesAppliesToTheNextAttempt) {
    std::wstring other = L"C:\\Other\\";
    os->AddDirectory(other);
    os->AddFile(desk + L"busy.txt");
    os->Lock(desk + L"busy.txt", os->Now() + 500);
    os->Schedule(os->Now() + 300, [&] { options->SetDestinationFolder(other); });
    MoveOne(L"busy.txt");
    EXPECT_TRUE(os->Exists(other + L"busy.txt"));
    EXPECT_FALSE(os->Exists(dest + L"busy.txt"));
}

TEST_F(ItemRulesTest, ATargetChangedWhileABatchMovesAppliesFromItsNextRun) {
    // The folders are read as a run of the batch begins: the items of one run go to one target.
    const std::wstring other = L"C:\\Other\\";
    os->AddDirectory(other);
    os->AddFile(desk + L"a.txt");
    os->AddFile(desk + L"b.txt");
    os->After(fake::Operation::MoveFile, [&] { options->SetDestinationFolder(other); });
    RunBatch(fake::ChangeBlock().Add(fake::kActionAdded, L"a.txt").Add(fake::kActionAdded, L"b.txt"));
    EXPECT_TRUE(os->Exists(dest + L"a.txt"));
    EXPECT_TRUE(os->Exists(dest + L"b.txt"));
    EXPECT_TRUE(os->List(other).empty());
}

TEST_F(ItemRulesTest, AVanishedItemIsReported) {
    MoveOne(L"gone.txt");
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry(
                             {L">> Operation report for 1 files <<", L"File: gone.txt not exist or deleted"})}));
}

TEST_F(ItemRulesTest, AFolderStaysWithMoveFolderClear) {
    os->AddDirectory(desk + L"photos");
    MoveOne(L"Photos");
    EXPECT_TRUE(os->Exists(desk + L"photos"));
    EXPECT_TRUE(os->Calls().empty());
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry({L">> Operation report for 1 files <<"})}));
}

TEST_F(ItemRulesTest, AFolderIsHandedToTheFolderMoverWithMoveFolderSet) {
    options->SetMoveFolder(true);
    os->AddFile(desk + L"photos\\a.jpg", "jpg");
    MoveOne(L"Photos");
    EXPECT_EQ(os->Content(dest + L"photos\\a.jpg"), "jpg");
    EXPECT_EQ(SortedEntries(),
              (std::vector<std::wstring>{
                  ReportEntry({L">> Operation report for 1 files <<", L"Folder: photos movement initialized"}),
                  ReportEntry({L"Folder: photos moved"}),
              }));
}

TEST_F(ItemRulesTest, MovementInitializedStandsEvenWhenTheFolderMoveFails) {
    options->SetMoveFolder(true);
    os->AddDirectory(desk + L"photos");
    os->Fail(fake::Fault::WatchFolderTree, desk + L"photos", kErrorAccessDenied);
    MoveOne(L"photos");
    EXPECT_EQ(SortedEntries(),
              (std::vector<std::wstring>{
                  ReportEntry({L">> Operation report for 1 files <<", L"Folder: photos movement initialized"}),
                  ReportEntry({L"Folder: photos not moved. Error code: 5"}),
              }));
}

TEST_F(ItemRulesTest, ItemsAreWorkedInListOrder) {
    options->SetMoveFolder(true);
    os->AddFile(desk + L"b.txt");
    os->AddDirectory(desk + L"dir");
    RunBatch(ChangeBlock().Add(kActionAdded, L"b.txt").Add(kActionAdded, L"gone").Add(kActionAdded, L"dir"));
    auto entries = SortedEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], ReportEntry({L">> Operation report for 3 files <<", L"File: b.txt moved",
                                       L"File: gone not exist or deleted", L"Folder: dir movement initialized"}));
}

}  // namespace
}  // namespace vantrel::test

// Moves to another volume: a copy under a passed-over name, checked, renamed into place, and only
// then the original deleted; every failure point leaves the original whole and no copy behind.
#include "EngineFixture.h"
#include "engine/Across.h"

namespace vantrel::test {
namespace {

using namespace fake;

class AcrossTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        os->AddDirectory(L"D:\\Inbox");
        options->SetDestinationFolder(L"D:\\Inbox\\");
        dest = options->DestinationFolder();
    }
    void TearDown() override {
        EngineTest::TearDown();
        EXPECT_EQ(os->openHandles(), 0) << "a file was left open";
    }
    void MoveFile(const std::wstring& name) { RunBatch(ChangeBlock().Add(kActionAdded, name)); }
    std::vector<std::wstring> Target() { return os->List(dest); }

    const std::string big = std::string(3 << 20, 'b') + "end";  // more than one chunk
};

TEST_F(AcrossTest, AFileArrivesWholeWithItsTimesAndTheOriginalGoes) {
    os->AddFile(desk + L"Big.bin", big);
    os->SetAttributes(desk + L"Big.bin", kAttributeReadOnly);
    ItemInfo original;
    ASSERT_EQ(os->FindItem(desk + L"Big.bin", original), SysError::None);
    MoveFile(L"Big.bin");

    EXPECT_EQ(
        Entries(),
        (std::vector<std::wstring>{ReportEntry({L">> Operation report for 1 files <<", L"File: big.bin moved"})}));
    EXPECT_FALSE(os->Exists(desk + L"Big.bin"));
    EXPECT_EQ(Target(), (std::vector<std::wstring>{L"big.bin"}));
    EXPECT_EQ(os->Content(dest + L"big.bin"), big);
    ItemInfo copy;
    ASSERT_EQ(os->FindItem(dest + L"big.bin", copy), SysError::None);
    EXPECT_EQ(copy.lastWrite, original.lastWrite);
    EXPECT_EQ(copy.created, original.created);
    EXPECT_EQ(copy.attributes, original.attributes);
    // Nothing on the other drive ever bore the real name before it was whole.
    auto creates = CallsOf(L"CreateNew");
    ASSERT_EQ(creates.size(), 1u);
    EXPECT_EQ(creates[0].from.substr(0, dest.size() + 7), dest + L"~dvcopy");
}

TEST_F(AcrossTest, AFullDriveKeepsTheFileWholeAndLeavesNoCopy) {
    os->AddVolume(L"D:\\", 1 << 20);
    os->AddFile(desk + L"big.bin", big);
    os->AddFile(desk + L"small.txt", "fits");
    RunBatch(ChangeBlock().Add(kActionAdded, L"big.bin").Add(kActionAdded, L"small.txt"));

    EXPECT_EQ(Entries(), (std::vector<std::wstring>{
                             ReportEntry({L">> Operation report for 2 files <<",
                                          L"File: big.bin not moved. Error code: 112", L"File: small.txt moved"})}));
    EXPECT_EQ(os->Content(desk + L"big.bin"), big);
    EXPECT_EQ(Target(), (std::vector<std::wstring>{L"small.txt"}));
    // The retry after a second met the same full drive: no clash rule ever ran on a copy.
    EXPECT_TRUE(CallsOf(L"DeleteFile").empty());
    EXPECT_EQ(CallsOf(L"CreateNew").size(), 3u);
}

TEST_F(AcrossTest, AFileBeingWrittenIsNeverCut) {
    // Another program writes it for 1.5 s, sharing it even for deletion.
    os->AddFile(desk + L"recording.wav", "first part");
    os->Write(desk + L"recording.wav", 1500);
    os->Schedule(1200, [&] { os->AddFile(desk + L"recording.wav", "first part, second part"); });
    options->SetTryToMove(true);
    options->SetTryCount(3);
    MoveFile(L"recording.wav");

    EXPECT_EQ(Entries(), (std::vector<std::wstring>{
                             ReportEntry({L">> Operation report for 1 files <<", L"File: recording.wav moved"})}));
    EXPECT_EQ(os->Content(dest + L"recording.wav"), "first part, second part");
    EXPECT_GE(os->Now(), 2000u);  // the attempts at 0 and 1 s met the writer
}

TEST_F(AcrossTest, AWriteTheSharingCannotKeepOutSendsTheCopyBack) {
    // Under Wine a Linux program writes past Windows sharing: the size and time tell.
    os->AddFile(desk + L"log.txt", big);
    os->After(Operation::Read, [&] { os->AddFile(desk + L"log.txt", big + "more"); });
    MoveFile(L"log.txt");

    EXPECT_EQ(
        Entries(),
        (std::vector<std::wstring>{ReportEntry({L">> Operation report for 1 files <<", L"File: log.txt moved"})}));
    EXPECT_EQ(os->Content(dest + L"log.txt"), big + "more");
    EXPECT_EQ(Target(), (std::vector<std::wstring>{L"log.txt"}));
}

TEST_F(AcrossTest, ANameTakenBeforeTheRenameIntoPlaceKeepsBoth) {
    os->AddFile(desk + L"report.doc", "new");
    os->After(Operation::Read, [&] { os->AddDirectory(dest + L"report.doc"); });
    MoveFile(L"report.doc");

    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry({L">> Operation report for 1 files <<",
                                                                 L"File: report.doc not moved. Error code: 183"})}));
    EXPECT_EQ(os->Content(desk + L"report.doc"), "new");
    EXPECT_EQ(Target(), (std::vector<std::wstring>{L"report.doc"}));
    EXPECT_TRUE(os->DirectoryExists(dest + L"report.doc"));
}

TEST_F(AcrossTest, AnOriginalThatCannotBeDeletedTakesItsCopyBack) {
    os->AddFile(desk + L"report.doc", "new");
    os->AddFile(dest + L"report.doc", "old");
    os->Fail(Fault::DeleteThrough, desk + L"report.doc", kErrorAccessDenied);
    MoveFile(L"report.doc");

    // Counted as in use; the clash rule ran once, on the file that was there before.
    const std::wstring aside = dest + L"Rename1000_report.doc";
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry({L">> Operation report for 1 files <<",
                                                                 L"File: " + dest + L"report.doc renamed to: " + aside,
                                                                 L"File: report.doc not moved. Error code: 32"})}));
    EXPECT_EQ(os->Content(desk + L"report.doc"), "new");
    EXPECT_EQ(Target(), (std::vector<std::wstring>{L"rename1000_report.doc"}));
    EXPECT_EQ(os->Content(aside), "old");
}

TEST_F(AcrossTest, AReadErrorMidwayAndAnEndDuringTheCopyLeaveNoCopy) {
    os->AddFile(desk + L"big.bin", big);
    os->After(Operation::Read,
              [&] { os->Fail(Fault::Read, desk + L"big.bin", SysError{21} /* drive not ready */, 1); });
    EXPECT_EQ(MoveFileAcross(desk + L"big.bin", dest, L"big.bin", [] { return false; }), SysError{21});
    EXPECT_TRUE(Target().empty());

    int chunks = 0;
    EXPECT_EQ(MoveFileAcross(desk + L"big.bin", dest, L"big.bin", [&] { return ++chunks > 2; }), kErrorCancelled);
    EXPECT_TRUE(Target().empty());
    EXPECT_EQ(os->Content(desk + L"big.bin"), big);
}

TEST_F(AcrossTest, AFolderTreeArrivesAndTheDesktopTreeGoes) {
    options->SetMoveFolder(true);
    options->SetMoveFolderDelay(100);
    os->AddFile(desk + L"Project\\notes.txt", "notes");
    os->AddFile(desk + L"Project\\src\\main.cpp", big);
    os->AddDirectory(desk + L"Project\\empty");
    RunMover(L"project");

    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry({L"Folder: project moved"})}));
    EXPECT_FALSE(os->Exists(desk + L"Project"));
    EXPECT_EQ(os->List(desk), (std::vector<std::wstring>{}));
    EXPECT_EQ(Target(), (std::vector<std::wstring>{L"project"}));
    EXPECT_EQ(os->Content(dest + L"project\\src\\main.cpp"), big);
    EXPECT_EQ(os->Content(dest + L"project\\notes.txt"), "notes");
    EXPECT_TRUE(os->DirectoryExists(dest + L"project\\empty"));
    EXPECT_TRUE(CallsOf(L"ShellMove").empty());
}

TEST_F(AcrossTest, AFolderThatDoesNotFitComesBackUnderItsOwnName) {
    os->AddVolume(L"D:\\", 1 << 20);
    os->AddFile(desk + L"Holiday Snaps\\a.jpg", "small");
    os->AddFile(desk + L"Holiday Snaps\\b.jpg", big);
    RunMover(L"holiday snaps");

    EXPECT_EQ(Entries(),
              (std::vector<std::wstring>{ReportEntry({L"Folder: holiday snaps not moved. Error code: 112"})}));
    ItemInfo back;
    ASSERT_EQ(os->FindItem(desk + L"holiday snaps", back), SysError::None);
    EXPECT_EQ(back.name, L"Holiday Snaps");
    EXPECT_EQ(os->Content(desk + L"Holiday Snaps\\b.jpg"), big);
    EXPECT_TRUE(Target().empty());
}

TEST_F(AcrossTest, AFolderWithALinkOrAFileInUseStaysWhole) {
    os->AddFile(desk + L"linked\\a.txt", "a");
    os->AddDirectory(desk + L"linked\\elsewhere");
    os->SetAttributes(desk + L"linked\\elsewhere", kAttributeReparsePoint);
    RunMover(L"linked");
    // A file opened by another program after its copy: the check before any deletion sees it.
    os->AddFile(desk + L"busy\\a.txt", "a");
    os->After(Operation::Read, [&] {
        for (const std::wstring& name : os->List(desk))
            if (name.rfind(L"~dvrename", 0) == 0) os->Write(desk + name + L"\\a.txt", UINT64_MAX);
    });
    RunMover(L"busy");

    EXPECT_EQ(Entries(), (std::vector<std::wstring>{
                             ReportEntry({L"Folder: linked not moved: elsewhere inside it is a link, and links are "
                                          L"not copied to another drive."}),
                             ReportEntry({L"Folder: busy not moved. Error code: 32"})}));
    EXPECT_EQ(os->List(desk), (std::vector<std::wstring>{L"busy", L"linked"}));
    EXPECT_EQ(os->Content(desk + L"busy\\a.txt"), "a");
    EXPECT_TRUE(Target().empty());
}

TEST_F(AcrossTest, TheNextStartClearsCopiesThatAMoveNeverFinished) {
    os->AddFile(desk + L"report.doc", "whole");
    os->AddFile(dest + L"~dvcopy77_report.doc", "wh");  // its original is still on the desktop
    os->AddFile(dest + L"~dvcopy78_gone.txt", "only copy");
    os->AddFile(dest + L"gone.txt", "another file");
    os->AddFile(desk + L"~dvrename79_Photos\\a.jpg", "photo");
    os->AddFile(dest + L"~dvcopy79_Photos\\a.jpg", "ph");
    StartMonitor();
    StopMonitor();

    EXPECT_EQ(Entries(),
              (std::vector<std::wstring>{ReportEntry(
                  {L"Unfinished copy removed: " + dest + L"~dvcopy77_report.doc",
                   L"Unfinished copy kept: " + dest + L"~dvcopy78_gone.txt renamed to: " + dest + L"gone (2).txt",
                   L"Unfinished copy removed: " + dest + L"~dvcopy79_Photos",
                   L"Folder: " + desk + L"~dvrename79_Photos renamed back to: " + desk + L"Photos"})}));
    EXPECT_EQ(Target(), (std::vector<std::wstring>{L"gone (2).txt", L"gone.txt"}));
    EXPECT_EQ(os->Content(dest + L"gone (2).txt"), "only copy");
    EXPECT_EQ(os->List(desk), (std::vector<std::wstring>{L"photos", L"report.doc"}));
    ItemInfo back;
    ASSERT_EQ(os->FindItem(desk + L"photos", back), SysError::None);
    EXPECT_EQ(back.name, L"Photos");
}

}  // namespace
}  // namespace vantrel::test

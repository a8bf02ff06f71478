// The move batch: which records count, names, filters and the report it logs.
#include "EngineFixture.h"

namespace vantrel::test {
namespace {

using namespace fake;

class BatchTest : public EngineTest {};

TEST_F(BatchTest, OnlyAddedAndRenamedNewNameRecordsCount) {
    for (const wchar_t* name : {L"added.txt", L"removed.txt", L"modified.txt", L"old.txt", L"new.txt"})
        os->AddFile(desk + name);
    ChangeBlock block;
    block.Add(kActionAdded, L"added.txt")
        .Add(kActionRemoved, L"removed.txt")
        .Add(kActionModified, L"modified.txt")
        .Add(kActionRenamedOld, L"old.txt")
        .Add(kActionRenamedNew, L"new.txt");

    RunBatch(block);
    options->SetMoveRenamed(true);
    os->Remove(dest + L"added.txt");
    os->AddFile(desk + L"added.txt");
    RunBatch(block);

    EXPECT_EQ(
        Entries(),
        (std::vector<std::wstring>{
            ReportEntry({L">> Operation report for 1 files <<", L"File: added.txt moved"}),
            ReportEntry({L">> Operation report for 2 files <<", L"File: added.txt moved", L"File: new.txt moved"}),
        }));
    EXPECT_TRUE(os->Exists(desk + L"removed.txt"));
    EXPECT_TRUE(os->Exists(desk + L"modified.txt"));
    EXPECT_TRUE(os->Exists(desk + L"old.txt"));
}

TEST_F(BatchTest, ABlockOfOtherActionsLogsNothing) {
    os->AddFile(desk + L"a.txt");
    RunBatch(
        ChangeBlock().Add(kActionRemoved, L"a.txt").Add(kActionModified, L"a.txt").Add(kActionRenamedOld, L"a.txt"));
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(os->Calls().empty());
}

TEST_F(BatchTest, NamesAreLowercasedEverywhere) {
    os->AddFile(desk + L"Notes.TXT", "x");
    RunBatch(ChangeBlock().Add(kActionAdded, L"Notes.TXT"));
    auto moves = CallsOf(L"MoveFile");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].from, desk + L"notes.txt");
    EXPECT_EQ(moves[0].to, dest + L"notes.txt");
    EXPECT_EQ(
        Entries(),
        (std::vector<std::wstring>{ReportEntry({L">> Operation report for 1 files <<", L"File: notes.txt moved"})}));
}

TEST_F(BatchTest, LogEntryIsStampArrowReportAndAnEmptyLine) {
    os->AddFile(desk + L"report.doc");
    std::string before = os->Content(options->Logger()->LogFileName());
    RunBatch(ChangeBlock().Add(kActionAdded, L"Report.doc"));
    std::string after = os->Content(options->Logger()->LogFileName());
    ASSERT_GT(after.size(), before.size());
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_EQ(after.substr(before.size()),
              ToUtf16Le(L"09.12.2026 10:00:00-> >> Operation report for 1 files <<\r\nFile: report.doc moved\r\n\r\n"));
}

TEST_F(BatchTest, UnpaddedRecordsAreReadLikePaddedOnes) {
    // Odd name lengths leave every following record off 4-byte boundaries when unpadded.
    for (bool padded : {true, false}) {
        ChangeBlock block(padded);
        block.Add(kActionAdded, L"a")
            .Add(kActionRemoved, L"bcd")
            .Add(kActionAdded, L"efghi")
            .Add(kActionAdded, L"Jk.l");
        RunBatch(block);
    }
    auto expected = ReportEntry({L">> Operation report for 3 files <<", L"File: a not exist or deleted",
                                 L"File: efghi not exist or deleted", L"File: jk.l not exist or deleted"});
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{expected, expected}));
}

TEST_F(BatchTest, ADamagedBlockEndsTheWalkAtItsEnd) {
    // The last record claims a longer name and a next record that the copy does not hold.
    std::string bytes = ChangeBlock(false).Add(kActionAdded, L"abc").Bytes();
    bytes[0] = 64;  // NextEntryOffset past the end
    bytes[8] = 40;  // FileNameLength past the end
    RunBatch(bytes);
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{
                             ReportEntry({L">> Operation report for 1 files <<", L"File: abc not exist or deleted"})}));
}

TEST_F(BatchTest, EmptyNamesAndNamesLeavingTheDesktopAreDropped) {
    // Appended to the desktop folder they would name the desktop itself or its parent.
    options->SetMoveFolder(true);
    os->AddFile(desk + L"a.txt");
    RunBatch(ChangeBlock()
                 .Add(kActionAdded, L"")
                 .Add(kActionAdded, L".")
                 .Add(kActionAdded, L"..")
                 .Add(kActionAdded, L"..\\secret.txt")
                 .Add(kActionAdded, L"sub\\..\\..\\x")
                 .Add(kActionAdded, L"a.txt"));
    EXPECT_EQ(Entries(),
              (std::vector<std::wstring>{ReportEntry({L">> Operation report for 1 files <<", L"File: a.txt moved"})}));
    EXPECT_TRUE(os->Exists(desk));
    EXPECT_EQ(CallsOf(L"ShellRename").size(), 0u);
}

TEST_F(BatchTest, AnOffsetPastTheBlockEndsTheWalkInsteadOfWrapping) {
    // The second record's offset would bring a 32-bit position back to the first record.
    std::string bytes =
        ChangeBlock(false).Add(kActionAdded, L"abc").Add(kActionAdded, L"de").Add(kActionAdded, L"f").Bytes();
    const size_t second = 12 + 6;
    const uint32_t wrap = 0xFFFFFFFFu - static_cast<uint32_t>(second) + 1;
    for (size_t i = 0; i < 4; ++i)
        bytes[second + i] = static_cast<char>((wrap >> (8 * i)) & 0xFF);
    RunBatch(bytes);
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{
                             ReportEntry({L">> Operation report for 2 files <<", L"File: abc not exist or deleted",
                                          L"File: de not exist or deleted"})}));
}

TEST_F(BatchTest, AFolderGivenItsNameBackByTheMoverIsNoNewItem) {
    // The mover renames a folder it could not move from its holding name back to its own.
    options->SetMoveRenamed(true);
    options->SetMoveFolder(true);
    os->AddDirectory(desk + L"photos");
    os->AddFile(desk + L"b.txt");
    RunBatch(ChangeBlock()
                 .Add(kActionRenamedOld, L"~dvrename42_photos")
                 .Add(kActionRenamedNew, L"photos")
                 .Add(kActionRenamedOld, L"a.txt")
                 .Add(kActionRenamedNew, L"b.txt"));
    EXPECT_EQ(Entries(),
              (std::vector<std::wstring>{ReportEntry({L">> Operation report for 1 files <<", L"File: b.txt moved"})}));
    EXPECT_TRUE(os->Exists(desk + L"photos"));
}

class DesktopTargetTest : public BatchTest {
  protected:
    void SetUp() override {
        BatchTest::SetUp();
        options->SetMoveFolder(true);
        options->SetMoveRenamed(true);
        options->SetRenameFile(false);
        os->AddFile(desk + L"a.txt", "new a");
        os->AddDirectory(desk + L"photos");
        block.Add(kActionAdded, L"a.txt").Add(kActionAdded, L"photos").Add(kActionRenamedNew, L"a.txt");
    }
    ChangeBlock block;
};

TEST_F(DesktopTargetTest, NothingIsTouchedAndOneLineSaysWhy) {
    // The desktop however it is spelled: letter case, with or without the trailing backslash.
    const std::wstring spellings[] = {desk, L"c:\\USERS\\tester\\desktop", L"C:/Users/tester/Desktop/"};
    for (const std::wstring& target : spellings) {
        options->SetDestinationFolder(target);
        RunBatch(block);
    }
    std::vector<std::wstring> expected;
    for (const std::wstring& target : spellings)
        expected.push_back(ReportEntry({L"Nothing moved: the target folder " + target + L" is the desktop folder."}));
    EXPECT_EQ(Entries(), expected);
    EXPECT_EQ(os->Content(desk + L"a.txt"), "new a");
    EXPECT_TRUE(os->Exists(desk + L"photos"));
    for (const auto& call : os->Calls())
        ADD_FAILURE() << "unexpected " << std::string(call.op.begin(), call.op.end());
}

TEST_F(DesktopTargetTest, AFolderInsideTheDesktopIsATargetLikeAnyOther) {
    options->SetDestinationFolder(desk + L"sorted\\");
    os->AddDirectory(desk + L"sorted");
    options->SetMoveFolderDelay(10);
    RunBatch(block);
    EXPECT_EQ(os->Content(desk + L"sorted\\a.txt"), "new a");
    EXPECT_TRUE(os->Exists(desk + L"sorted\\photos"));
}

// Items that do not exist are reported as such, so every name that passes the filters shows.
class FilterTest : public BatchTest {
  protected:
    // The names of one batch that pass the filters, in order.
    std::vector<std::wstring> Kept(const std::vector<std::wstring>& names, uint32_t action = kActionAdded) {
        ChangeBlock block;
        for (const auto& name : names)
            block.Add(action, name);
        size_t before = Entries().size();
        RunBatch(block);
        auto entries = Entries();
        std::vector<std::wstring> kept;
        if (entries.size() == before) return kept;
        EXPECT_EQ(entries.size(), before + 1);
        std::wstring text = entries.back();
        const std::wstring prefix = L"File: ", suffix = L" not exist or deleted\r\n";
        for (size_t at = text.find(prefix); at != std::wstring::npos; at = text.find(prefix, at)) {
            size_t end = text.find(suffix, at);
            kept.push_back(text.substr(at + prefix.size(), end - at - prefix.size()));
            at = end;
        }
        std::wstring header =
            L">> Operation report for " + IntToStr(static_cast<int32_t>(kept.size())) + L" files <<\r\n";
        EXPECT_EQ(text.substr(0, header.size()), header);
        return kept;
    }
    using Names = std::vector<std::wstring>;
};

TEST_F(FilterTest, ExtensionKeyIsFromTheLastDotUnlessABackslashOrColonFollows) {
    options->SetExcludedExt({L"*.b"});
    EXPECT_EQ(Kept({L"x.b", L"a.b\\c", L"d.b:e", L"f.c.b", L"g.b.c"}), (Names{L"a.b\\c", L"d.b:e", L"g.b.c"}));
    options->SetExcludedExt({L"*.gz"});
    EXPECT_EQ(Kept({L"archive.tar.gz", L"archive.tar"}), (Names{L"archive.tar"}));
    // A name without such a dot has the key "*": of the masks only "*" itself matches it.
    options->SetExcludedExt({L"*.", L"*.c"});
    EXPECT_EQ(Kept({L"readme", L"a.b\\c", L"trailing."}), (Names{L"readme", L"a.b\\c"}));
    options->SetExcludedExt({L"*"});
    EXPECT_EQ(Kept({L"readme", L"a.b\\c", L"x.txt"}), Names{});
}

TEST_F(FilterTest, OwnHoldingNamesAreDroppedWhateverTheSettings) {
    options->SetMoveRenamed(true);
    EXPECT_EQ(Kept({L"~dvrename123_photos", L"~DVRename-5_X", L"dvrename1_y", L"a~dvrename"}),
              (Names{L"dvrename1_y", L"a~dvrename"}));
    EXPECT_EQ(Kept({L"~dvrename9_z"}, kActionRenamedNew), Names{});
}

TEST_F(FilterTest, ExtensionMasksArePrefixesOfTheKeyIgnoringCase) {
    options->SetExcludedExt({L"*.doc"});
    EXPECT_EQ(Kept({L"a.doc", L"a.docx", L"B.DOC", L"a.do", L"doc", L"a.txt"}), (Names{L"a.do", L"doc", L"a.txt"}));
    options->SetExcludedExt({L"*.DOC"});
    EXPECT_EQ(Kept({L"a.doc", L"a.Docx", L"a.txt"}), (Names{L"a.txt"}));
    options->SetExcludedExt({L".doc", L"doc", L""});
    EXPECT_EQ(Kept({L"a.doc", L"doc", L"x"}), (Names{L"a.doc", L"doc", L"x"}));
    options->SetExcludedExt({L"*.txt", L"*.doc"});
    EXPECT_EQ(Kept({L"a.doc", L"a.txt", L"a.pdf"}), (Names{L"a.pdf"}));
}

TEST_F(FilterTest, AStarMaskDropsEverythingFoldersIncluded) {
    os->AddDirectory(desk + L"photos");
    options->SetMoveFolder(true);
    options->SetExcludedExt({L"*"});
    EXPECT_EQ(Kept({L"photos", L"a.txt", L"noext"}), Names{});
    EXPECT_TRUE(os->Calls().empty());
}

TEST_F(FilterTest, FileNameMasksCompareTheStemBeforeTheLastTwoCharacters) {
    options->SetExcludedFiles({L"New Folder.*"});
    EXPECT_EQ(Kept({L"New Folder", L"New Folder (2)", L"new folder.txt", L"New Fold", L"a New Folder"}),
              (Names{L"new fold", L"a new folder"}));
    options->SetExcludedFiles({L"ab", L"x", L"", L"a.*"});
    EXPECT_EQ(Kept({L"ab", L"x", L"abc", L"b"}), (Names{L"x", L"b"}));
    options->SetExcludedFiles({L"ab", L"x*"});
    EXPECT_EQ(Kept({L"ab", L"x", L"abc", L"xyz"}), (Names{L"ab", L"x", L"abc", L"xyz"}));
    options->SetExcludedFiles({L"DESKTOP.INI", L"Thumbs.db"});
    EXPECT_EQ(Kept({L"desktop.ini", L"desktop.ix", L"desktop.x", L"thumbs.dx", L"thumbs"}),
              (Names{L"desktop.x", L"thumbs"}));
}

TEST_F(FilterTest, MasksApplyToRenamedItemsToo) {
    options->SetMoveRenamed(true);
    options->SetExcludedExt({L"*.tmp"});
    options->SetExcludedFiles({L"Draft.*"});
    EXPECT_EQ(Kept({L"a.tmp", L"draft 1", L"keep"}, kActionRenamedNew), (Names{L"keep"}));
}

TEST_F(FilterTest, RenamedItemsOnlyWithMoveRenamed) {
    EXPECT_EQ(Kept({L"renamed"}, kActionRenamedNew), Names{});
    options->SetMoveRenamed(true);
    EXPECT_EQ(Kept({L"renamed"}, kActionRenamedNew), (Names{L"renamed"}));
}

TEST_F(BatchTest, ANameThatComesTwiceIsWorkedTwice) {
    os->AddFile(desk + L"a.txt");
    RunBatch(ChangeBlock().Add(kActionAdded, L"a.txt").Add(kActionRemoved, L"a.txt").Add(kActionAdded, L"A.txt"));
    EXPECT_EQ(Entries(),
              (std::vector<std::wstring>{ReportEntry({L">> Operation report for 2 files <<", L"File: a.txt moved",
                                                      L"File: a.txt not exist or deleted"})}));
}

TEST_F(BatchTest, ABlockWhoseItemsAreAllDroppedLogsNothing) {
    os->AddFile(desk + L"a.doc");
    os->AddFile(desk + L"new folder");
    options->SetExcludedExt({L"*.doc"});
    options->SetExcludedFiles({L"New Folder.*"});
    RunBatch(ChangeBlock()
                 .Add(kActionAdded, L"a.doc")
                 .Add(kActionAdded, L"New Folder")
                 .Add(kActionAdded, L"~dvrename1_x")
                 .Add(kActionRenamedNew, L"renamed.txt"));
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(os->Calls().empty());
}

}  // namespace
}  // namespace vantrel::test

// The quick-note path of a batch, with the prompt answered by the test.
#include <mutex>

#include "EngineFixture.h"
#include "engine/Note.h"

namespace vantrel::test {
namespace {

using namespace fake;

// What the prompt was asked and what it answers; the batch thread reads and writes it.
struct PromptScript {
    std::mutex mutex;
    NoteAnswer answer;
    bool keepFileName = true;  // answer with the path the prompt was given
    std::vector<std::pair<std::wstring, bool>> asked;
} script;

NoteAnswer ScriptedPrompt(const std::wstring& fileName, bool fileNameEnabled) {
    std::lock_guard<std::mutex> lock(script.mutex);
    script.asked.emplace_back(fileName, fileNameEnabled);
    NoteAnswer answer = script.answer;
    if (script.keepFileName) answer.FileName = fileName;
    return answer;
}

class QuickNoteTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        options->SetQuickNote(true);
        options->SetSaveNoteFiles(true);
        script.answer = NoteAnswer{};
        script.keepFileName = true;
        script.asked.clear();
        SetNotePrompt(&ScriptedPrompt);
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"})
            os->AddFile(desk + name);
        block.Add(kActionAdded, L"A.txt").Add(kActionAdded, L"b.txt").Add(kActionAdded, L"c.txt");
    }
    void TearDown() override {
        SetNotePrompt(nullptr);
        EngineTest::TearDown();
    }
    void Answer(int result, const std::wstring& text = L"", const std::wstring& fileName = L"") {
        script.answer.ModalResult = result;
        script.answer.Text = text;
        script.answer.FileName = fileName;
        script.keepFileName = fileName.empty();
    }
    std::vector<std::pair<std::wstring, bool>> Asked() {
        std::lock_guard<std::mutex> lock(script.mutex);
        return script.asked;
    }
    const StringList moved{L">> Operation report for 3 files <<", L"File: a.txt moved", L"File: b.txt moved",
                           L"File: c.txt moved"};
    ChangeBlock block;
};

StringList operator+(StringList a, const StringList& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(QuickNoteTest, OkWithSaveNoteFilesWritesTheNoteFileFirst) {
    Answer(kNoteOk, L"Paid.");
    RunBatch(block);
    std::wstring note = dest + L"a.txt.txt";
    EXPECT_EQ(Asked(), (std::vector<std::pair<std::wstring, bool>>{{note, true}}));
    EXPECT_EQ(os->Content(note), std::string("\xFF\xFEP\0a\0i\0d\0.\0", 12));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry(
                             StringList{L"Comments saved to file: " + note, L"Comments' text:Paid."} + moved)}));
}

TEST_F(QuickNoteTest, TheNoteGoesToThePathTheUserLeftAndReplacesAnOldFile) {
    std::wstring note = L"C:\\Notes\\paid.txt";
    os->AddFile(note, "an older and longer note");
    Answer(kNoteOk, L"Line one\r\nLine two", note);
    RunBatch(block);
    EXPECT_EQ(os->Content(note), "\xFF\xFE" + ToUtf16Le(L"Line one\r\nLine two"));
    EXPECT_EQ(Entries(),
              (std::vector<std::wstring>{ReportEntry(
                  StringList{L"Comments saved to file: " + note, L"Comments' text:Line one\r\nLine two"} + moved)}));
}

TEST_F(QuickNoteTest, OkWithoutSaveNoteFilesOnlyRecordsTheText) {
    options->SetSaveNoteFiles(false);
    Answer(kNoteOk, L"[Description here]");
    RunBatch(block);
    EXPECT_EQ(Asked(), (std::vector<std::pair<std::wstring, bool>>{{dest + L"a.txt.txt", false}}));
    EXPECT_FALSE(os->Exists(dest + L"a.txt.txt"));
    EXPECT_EQ(Entries(),
              (std::vector<std::wstring>{ReportEntry(StringList{L"Comments' text:[Description here]"} + moved)}));
}

TEST_F(QuickNoteTest, SkippingTheNoteMovesTheItems) {
    Answer(kNoteSkip, L"ignored");
    RunBatch(block);
    EXPECT_FALSE(os->Exists(dest + L"a.txt.txt"));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry(moved)}));
}

// The engine shows no form of its own: without an installed prompt the note is skipped.
TEST_F(QuickNoteTest, WithoutAPromptTheNoteIsSkipped) {
    SetNotePrompt(nullptr);
    RunBatch(block);
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry(moved)}));
}

TEST_F(QuickNoteTest, AbortLeavesEverythingOnTheDesktop) {
    Answer(kNoteAbort, L"Paid.");
    RunBatch(block);
    EXPECT_TRUE(os->Calls().empty());
    EXPECT_FALSE(os->Exists(dest + L"a.txt.txt"));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"User aborted operation.\r\n\r\n"}));
}

TEST_F(QuickNoteTest, ANoteFileThatCannotBeWrittenStopsTheBatch) {
    std::wstring note = L"C:\\Nowhere\\note.txt";
    Answer(kNoteOk, L"Paid.", note);
    RunBatch(block);
    EXPECT_TRUE(os->Calls().empty());
    EXPECT_TRUE(os->Exists(desk + L"a.txt"));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry(
                             {L"Comments not saved to file: " + note + L" (files not moved). Error code: 3"})}));
}

TEST_F(QuickNoteTest, AnEmptiedFileNameIsANoteFileThatCannotBeWritten) {
    Answer(kNoteOk, L"Paid.");
    script.keepFileName = false;  // the user cleared the box
    RunBatch(block);
    EXPECT_TRUE(os->Calls().empty());
    EXPECT_TRUE(os->Exists(desk + L"a.txt"));
    EXPECT_FALSE(os->Exists(dest + L"a.txt.txt"));
    EXPECT_EQ(
        Entries(),
        (std::vector<std::wstring>{ReportEntry({L"Comments not saved to file:  (files not moved). Error code: 3"})}));
    // Without note files the box is greyed and its text plays no part.
    options->SetSaveNoteFiles(false);
    RunBatch(block);
    EXPECT_EQ(Entries().back(), ReportEntry(StringList{L"Comments' text:Paid."} + moved));
}

TEST_F(QuickNoteTest, TheDefaultNameFollowsTheFirstItemEvenAFolderThatStays) {
    os->AddDirectory(desk + L"photos");
    Answer(kNoteSkip);
    RunBatch(ChangeBlock().Add(kActionAdded, L"Photos").Add(kActionAdded, L"b.txt"));
    EXPECT_EQ(Asked(), (std::vector<std::pair<std::wstring, bool>>{{dest + L"photos.txt", true}}));
    EXPECT_EQ(Entries(),
              (std::vector<std::wstring>{ReportEntry({L">> Operation report for 2 files <<", L"File: b.txt moved"})}));
}

TEST_F(QuickNoteTest, NoPromptForABlockWithoutItems) {
    RunBatch(ChangeBlock().Add(kActionRemoved, L"a.txt"));
    EXPECT_TRUE(Asked().empty());
    EXPECT_TRUE(Entries().empty());
}

}  // namespace
}  // namespace vantrel::test

// The quick-note path of a batch, with the prompt answered by the test: what the batch asks, what
// it writes, moves and reports for each answer. The real form on a batch's thread is driven in
// tests/note (QuickNoteFlowTest.cpp).
#include <mutex>
#include <ostream>

#include "EngineFixture.h"
#include "engine/Note.h"

namespace vantrel::test {
namespace {

using namespace fake;

// One question the prompt was asked: the path it was given, whether the box takes edits, and how
// many moves and shell operations the batch had made by then.
struct Question {
    std::wstring fileName;
    bool fileNameEnabled;
    size_t callsBefore;
    bool operator==(const Question& other) const {
        return fileName == other.fileName && fileNameEnabled == other.fileNameEnabled &&
               callsBefore == other.callsBefore;
    }
};

void PrintTo(const Question& q, std::ostream* out) {
    *out << "{" << std::string(q.fileName.begin(), q.fileName.end()) << ", "
         << (q.fileNameEnabled ? "enabled" : "greyed") << ", " << q.callsBefore << " calls before}";
}

// What the prompt was asked and what it answers; the batch thread reads and writes it.
struct PromptScript {
    std::mutex mutex;
    NoteAnswer answer;
    bool keepFileName = true;  // answer with the path the prompt was given
    std::vector<Question> asked;
} script;

NoteAnswer ScriptedPrompt(const std::wstring& fileName, bool fileNameEnabled) {
    const size_t calls = static_cast<FakePlatform&>(Os()).Calls().size();
    std::lock_guard<std::mutex> lock(script.mutex);
    script.asked.push_back({fileName, fileNameEnabled, calls});
    NoteAnswer answer = script.answer;
    if (script.keepFileName) answer.FileName = fileName;
    return answer;
}

const std::string kBom("\xFF\xFE", 2);

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
            os->AddFile(desk + name, "data");
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
    std::vector<Question> Asked() {
        std::lock_guard<std::mutex> lock(script.mutex);
        return script.asked;
    }
    // Asked once, with the path given, before anything was moved.
    void ExpectAskedOnce(const std::wstring& fileName, bool enabled) {
        EXPECT_EQ(Asked(), (std::vector<Question>{{fileName, enabled, 0}}));
    }
    void ExpectMoved() {
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) {
            EXPECT_FALSE(os->Exists(desk + name)) << name;
            EXPECT_EQ(os->Content(dest + name), "data") << name;
        }
    }
    void ExpectOnDesktop() {
        EXPECT_TRUE(os->Calls().empty());
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) {
            EXPECT_EQ(os->Content(desk + name), "data") << name;
            EXPECT_FALSE(os->Exists(dest + name)) << name;
        }
    }
    const StringList moved{L">> Operation report for 3 files <<", L"File: a.txt moved", L"File: b.txt moved",
                           L"File: c.txt moved"};
    ChangeBlock block;
};

StringList operator+(StringList a, const StringList& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(QuickNoteTest, OkWithSaveNoteFilesWritesExactlyTheBomAndTheNoteThenReportsInOrder) {
    Answer(kNoteOk, L"Paid.");
    RunBatch(block);
    std::wstring note = dest + L"a.txt.txt";
    ExpectAskedOnce(note, true);
    EXPECT_EQ(os->Content(note), std::string("\xFF\xFEP\0a\0i\0d\0.\0", 12));
    ExpectMoved();
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry(
                             StringList{L"Comments saved to file: " + note, L"Comments' text:Paid."} + moved)}));
}

TEST_F(QuickNoteTest, TheNoteGoesToThePathTheUserLeftWithItsLinesAndReplacesAnOldFile) {
    std::wstring note = L"C:\\Notes\\paid.txt";
    os->AddFile(note, kBom + ToUtf16Le(L"An older note, longer than the new one."));
    Answer(kNoteOk, L"Line one\r\nLine two\r\n", note);
    RunBatch(block);
    EXPECT_EQ(os->Content(note), kBom + ToUtf16Le(L"Line one\r\nLine two\r\n"));
    ExpectMoved();
    EXPECT_EQ(
        Entries(),
        (std::vector<std::wstring>{ReportEntry(
            StringList{L"Comments saved to file: " + note, L"Comments' text:Line one\r\nLine two\r\n"} + moved)}));
}

TEST_F(QuickNoteTest, OkWithoutSaveNoteFilesWritesNoFileAndRecordsTheText) {
    options->SetSaveNoteFiles(false);
    Answer(kNoteOk, L"[Description here]");
    RunBatch(block);
    ExpectAskedOnce(dest + L"a.txt.txt", false);
    EXPECT_FALSE(os->Exists(dest + L"a.txt.txt"));
    ExpectMoved();
    EXPECT_EQ(Entries(),
              (std::vector<std::wstring>{ReportEntry(StringList{L"Comments' text:[Description here]"} + moved)}));
}

// "&Don't save note", Escape and the title-bar close all answer kNoteSkip (tests/note).
TEST_F(QuickNoteTest, SkippingTheNoteMovesTheItemsWithoutANote) {
    Answer(kNoteSkip, L"not wanted");
    RunBatch(block);
    ExpectAskedOnce(dest + L"a.txt.txt", true);
    EXPECT_FALSE(os->Exists(dest + L"a.txt.txt"));
    ExpectMoved();
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry(moved)}));
}

// The engine shows no form of its own: without an installed prompt the note is skipped.
TEST_F(QuickNoteTest, WithoutAPromptTheNoteIsSkipped) {
    SetNotePrompt(nullptr);
    RunBatch(block);
    ExpectMoved();
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry(moved)}));
}

TEST_F(QuickNoteTest, AbortMovesNothingAndLogsOnlyThatTheUserAborted) {
    Answer(kNoteAbort, L"Paid.");
    RunBatch(block);
    ExpectAskedOnce(dest + L"a.txt.txt", true);
    ExpectOnDesktop();
    EXPECT_FALSE(os->Exists(dest + L"a.txt.txt"));
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"User aborted operation.\r\n\r\n"}));
}

TEST_F(QuickNoteTest, ANoteFileThatCannotBeWrittenLeavesTheItemsAndLogsWhy) {
    std::wstring note = L"C:\\Nowhere\\note.txt";
    ASSERT_FALSE(os->Exists(L"C:\\Nowhere"));
    Answer(kNoteOk, L"Paid.", note);
    RunBatch(block);
    ExpectOnDesktop();
    EXPECT_FALSE(os->Exists(note));
    // One entry, which names the path and the system's error code (3: the path was not found),
    // and nothing of the note or the items.
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{ReportEntry(
                             {L"Comments not saved to file: " + note + L" (files not moved). Error code: 3"})}));
}

TEST_F(QuickNoteTest, AnEmptiedFileNameIsANoteFileThatCannotBeWritten) {
    Answer(kNoteOk, L"Paid.");
    script.keepFileName = false;  // the user cleared the box
    RunBatch(block);
    ExpectOnDesktop();
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
    ASSERT_FALSE(options->MoveFolder());
    os->AddDirectory(desk + L"photos");
    Answer(kNoteOk, L"Paid.");
    RunBatch(ChangeBlock().Add(kActionAdded, L"Photos").Add(kActionAdded, L"b.txt"));
    const std::wstring note = dest + L"photos.txt";
    ExpectAskedOnce(note, true);
    EXPECT_EQ(os->Content(note), kBom + ToUtf16Le(L"Paid."));
    EXPECT_TRUE(os->Exists(desk + L"photos"));
    EXPECT_FALSE(os->Exists(dest + L"photos"));
    EXPECT_EQ(os->Content(dest + L"b.txt"), "data");
    EXPECT_EQ(Entries(),
              (std::vector<std::wstring>{ReportEntry({L"Comments saved to file: " + note, L"Comments' text:Paid.",
                                                      L">> Operation report for 2 files <<", L"File: b.txt moved"})}));
}

TEST_F(QuickNoteTest, NoPromptForABlockWithoutItems) {
    RunBatch(ChangeBlock().Add(kActionRemoved, L"a.txt"));
    EXPECT_TRUE(Asked().empty());
    EXPECT_TRUE(Entries().empty());
}

}  // namespace
}  // namespace vantrel::test

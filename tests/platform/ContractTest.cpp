// The fake platform against the real one: each case runs the same calls on real folders and on
// the fake's in-memory ones and compares what the calls answered and what the folders hold
// afterwards. Where they differ, the fake is wrong: the engine's tests only mean something while
// the fake answers as the system does.
#include "Worlds.h"

#include <atomic>
#include <thread>

#include "support/WaitFor.h"

namespace vantrel {
namespace {

using namespace contract;

TEST(PlatformContract, ShellMoveOntoAnExistingFolderOrFile) {
    const Outcome outcome = Both([](World& w, std::vector<std::wstring>& answers) {
        w.MakeFolder(L"photos");
        w.MakeFile(L"photos\\a.jpg", "new");
        w.MakeFolder(L"target");
        w.MakeFolder(L"target\\photos");
        w.MakeFile(L"target\\photos\\b.jpg", "old");
        answers.push_back(ShellAnswer(
            L"onto folder", w.os().ShellFolderOperation(w.Root() + L"photos", w.Root() + L"target\\photos", false)));
        w.MakeFolder(L"notes");
        w.MakeFile(L"notes\\n.txt", "note");
        w.MakeFile(L"target\\notes", "a file");
        answers.push_back(ShellAnswer(
            L"onto file", w.os().ShellFolderOperation(w.Root() + L"notes", w.Root() + L"target\\notes", false)));
    });
    // What the engine must guard against: success reported, the source nested or the file gone.
    EXPECT_EQ(outcome.answers, (std::vector<std::wstring>{L"onto folder 0", L"onto file 0"}));
}

TEST(PlatformContract, ShellMoveIntoAMissingFolderAndOfAMissingSource) {
    Both([](World& w, std::vector<std::wstring>& answers) {
        w.MakeFolder(L"photos");
        answers.push_back(ShellAnswer(
            L"missing parent", w.os().ShellFolderOperation(w.Root() + L"photos", w.Root() + L"no\\photos", false)));
        answers.push_back(ShellAnswer(L"missing source",
                                      w.os().ShellFolderOperation(w.Root() + L"gone", w.Root() + L"photos2", false)));
    });
}

TEST(PlatformContract, ShellRenameOntoExistingNamesAndOfAMissingSource) {
    Both([](World& w, std::vector<std::wstring>& answers) {
        w.MakeFolder(L"photos");
        w.MakeFolder(L"taken");
        w.MakeFile(L"file", "x");
        answers.push_back(
            ShellAnswer(L"onto folder", w.os().ShellFolderOperation(w.Root() + L"photos", w.Root() + L"taken", true)));
        answers.push_back(
            ShellAnswer(L"onto file", w.os().ShellFolderOperation(w.Root() + L"photos", w.Root() + L"file", true)));
        answers.push_back(
            ShellAnswer(L"missing", w.os().ShellFolderOperation(w.Root() + L"gone", w.Root() + L"other", true)));
        answers.push_back(
            ShellAnswer(L"free", w.os().ShellFolderOperation(w.Root() + L"photos", w.Root() + L"~hold_photos", true)));
    });
}

TEST(PlatformContract, NamesEndingInADotOrABlankAreTakenLiterally) {
    const Outcome outcome = Both([](World& w, std::vector<std::wstring>& answers) {
        Platform& os = w.os();
        const std::wstring r = w.Root();
        w.MakeFile(L"a", "plain a");
        w.MakeFile(L"a.", "dotted a");
        w.MakeFile(L"b", "plain b");
        w.MakeFile(L"b ", "blank b");
        w.MakeFolder(L"d.");
        w.MakeFolder(L"target");
        answers.push_back(Answer(L"a. is a file", os.FileExists(r + L"a.")));
        answers.push_back(Answer(L"d. is a folder", os.DirectoryExists(r + L"d.")));
        answers.push_back(Answer(L"d is no folder", !os.DirectoryExists(r + L"d")));
        answers.push_back(Answer(L"move a.", os.MoveFile(r + L"a.", r + L"target\\a.")));
        answers.push_back(Answer(L"delete b ", os.DeleteFile(r + L"b ")));
        answers.push_back(Answer(L"move folder d.", os.MoveFile(r + L"d.", r + L"target\\d.")));
        // The shell parses the classic way: it does not see "d." at all.
        answers.push_back(
            ShellAnswer(L"shell move target\\d.", os.ShellFolderOperation(r + L"target\\d.", r + L"d.", false)));
    });
    EXPECT_EQ(outcome.tree, (std::vector<std::wstring>{L"a=plain a", L"b=plain b", L"target\\", L"target\\a.=dotted a",
                                                       L"target\\d.\\"}));
}

TEST(PlatformContract, MoveFileOntoATakenNameFailsAndTouchesNeither) {
    // A batch moves first and looks at the target only when the move meets a taken name.
    const Outcome outcome = Both([](World& w, std::vector<std::wstring>& answers) {
        Platform& os = w.os();
        const std::wstring r = w.Root();
        w.MakeFolder(L"target");
        w.MakeFolder(L"target\\album");
        w.MakeFile(L"target\\report.doc", "old");
        w.MakeFile(L"report.doc", "new");
        w.MakeFile(L"album", "a file named like the folder");
        w.MakeFolder(L"photos");
        answers.push_back(Answer(L"file onto file", os.MoveFile(r + L"report.doc", r + L"target\\report.doc")));
        answers.push_back(Answer(L"file onto other case", os.MoveFile(r + L"report.doc", r + L"target\\REPORT.DOC")));
        answers.push_back(Answer(L"file onto folder", os.MoveFile(r + L"album", r + L"target\\album")));
        answers.push_back(Answer(L"folder onto file", os.MoveFile(r + L"photos", r + L"target\\report.doc")));
        answers.push_back(Answer(L"folder onto folder", os.MoveFile(r + L"photos", r + L"target\\album")));
    });
    // Error 183 or 80 is what sends a batch to its clash rules.
    for (const std::wstring& answer : outcome.answers) {
        const size_t code = answer.rfind(L" failed ");
        ASSERT_NE(code, std::wstring::npos) << answer;
        const std::wstring number = answer.substr(code + 8);
        EXPECT_TRUE(number == L"183" || number == L"80") << answer;
    }
    EXPECT_EQ(outcome.tree,
              (std::vector<std::wstring>{L"album=a file named like the folder", L"photos\\", L"report.doc=new",
                                         L"target\\", L"target\\album\\", L"target\\report.doc=old"}));
}

// A call that makes an object: its answer, and whether it handed one out (read after the call).
template <typename Made>
std::wstring Handed(const wchar_t* call, SysError code, const std::unique_ptr<Made>& made) {
    return Answer(call, code) + (made ? L" +object" : L" -object");
}

// GetAttributes' answer and the kind of item it found (read after the call).
std::wstring Kind(const wchar_t* call, SysError code, const uint32_t& attributes) {
    return Answer(call, code) + ((attributes & kAttributeDirectory) ? L" folder" : L" file");
}

TEST(PlatformContract, FailedCallsReturnTheSystemsCodes) {
    const Outcome outcome = Both([](World& w, std::vector<std::wstring>& answers) {
        Platform& os = w.os();
        const std::wstring r = w.Root();
        w.MakeFolder(L"target");
        w.MakeFile(L"report.doc", "new");
        w.MakeFile(L"target\\report.doc", "old");
        w.MakeFile(L"target\\notes.txt", "notes");
        std::string bytes;
        uint32_t attributes = 0;
        ItemInfo info;
        std::vector<ItemInfo> items;
        answers.push_back(Answer(L"move a missing file", os.MoveFile(r + L"gone.doc", r + L"target\\gone.doc")));
        answers.push_back(Answer(L"move into a missing folder", os.MoveFile(r + L"report.doc", r + L"no\\a.doc")));
        answers.push_back(Answer(L"delete a missing file", os.DeleteFile(r + L"gone.doc")));
        answers.push_back(Answer(L"make a folder that is there", os.CreateDirectory(r + L"target")));
        answers.push_back(Answer(L"make a folder in a missing one", os.CreateDirectory(r + L"no\\sub")));
        answers.push_back(Answer(L"remove a missing folder", os.RemoveFolder(r + L"gone")));
        answers.push_back(Answer(L"remove a folder with files", os.RemoveFolder(r + L"target")));
        answers.push_back(Answer(L"find a missing item", os.FindItem(r + L"gone", info)));
        answers.push_back(Answer(L"find in a missing folder", os.FindItem(r + L"no\\gone", info)));
        answers.push_back(Answer(L"list a missing folder", os.ListFolder(r + L"no", L"*", items)));
        answers.push_back(Answer(L"attributes of a missing item", os.GetAttributes(r + L"gone", attributes)));
        answers.push_back(Answer(L"attributes in a missing folder", os.GetAttributes(r + L"no\\gone", attributes)));
        answers.push_back(Answer(L"read a missing file", os.ReadFile(r + L"gone.doc", bytes, 100)));
        answers.push_back(Answer(L"write into a missing folder", os.WriteFile(r + L"no\\note.txt", "x")));
        answers.push_back(Answer(L"replace in a missing folder", os.ReplaceFile(r + L"no\\settings.xml", "x")));
        std::unique_ptr<SourceFile> source;
        answers.push_back(Handed(L"open a missing file to move", os.OpenToMove(r + L"gone.doc", source), source));
        std::unique_ptr<NewFile> copy;
        answers.push_back(Handed(L"create over a file", os.CreateNew(r + L"report.doc", copy), copy));
        std::unique_ptr<OpenFile> log;
        answers.push_back(Handed(L"log in a missing folder", os.OpenLogFile(r + L"no\\log.txt", log), log));
        std::unique_ptr<DirectoryChanges> changes;
        answers.push_back(
            Handed(L"changes of a missing folder", os.OpenDirectoryChanges(r + L"gone", changes), changes));
    });
    EXPECT_EQ(
        outcome.answers,
        (std::vector<std::wstring>{
            L"move a missing file failed 2", L"move into a missing folder failed 3", L"delete a missing file failed 2",
            L"make a folder that is there failed 183", L"make a folder in a missing one failed 3",
            L"remove a missing folder failed 2", L"remove a folder with files failed 145",
            L"find a missing item failed 2", L"find in a missing folder failed 3", L"list a missing folder failed 3",
            L"attributes of a missing item failed 2", L"attributes in a missing folder failed 3",
            L"read a missing file failed 2", L"write into a missing folder failed 3",
            L"replace in a missing folder failed 3", L"open a missing file to move failed 2 -object",
            L"create over a file failed 80 -object", L"log in a missing folder failed 3 -object",
            L"changes of a missing folder failed 2 -object"}));
}

TEST(PlatformContract, CallsThatWorkReturnNoneAndHandOutTheirObjects) {
    const Outcome outcome = Both([](World& w, std::vector<std::wstring>& answers) {
        Platform& os = w.os();
        const std::wstring r = w.Root();
        w.MakeFolder(L"photos");
        w.MakeFile(L"report.doc", "new");
        uint32_t attributes = 0;
        answers.push_back(Kind(L"attributes of a folder", os.GetAttributes(r + L"photos", attributes), attributes));
        answers.push_back(Kind(L"attributes of a file", os.GetAttributes(r + L"report.doc", attributes), attributes));
        std::unique_ptr<SourceFile> source;
        answers.push_back(Handed(L"open to move", os.OpenToMove(r + L"report.doc", source), source));
        std::unique_ptr<NewFile> copy;
        answers.push_back(Handed(L"create", os.CreateNew(r + L"copy.doc", copy), copy));
        std::unique_ptr<OpenFile> log;
        answers.push_back(Handed(L"open a log", os.OpenLogFile(r + L"log.txt", log), log));
        std::unique_ptr<DirectoryChanges> changes;
        answers.push_back(Handed(L"changes", os.OpenDirectoryChanges(r + L"photos", changes), changes));
        std::unique_ptr<FolderWatch> watch;
        answers.push_back(Handed(L"watch a tree", os.WatchFolderTree(r + L"photos", watch), watch));
        answers.push_back(Answer(L"move", os.MoveFile(r + L"copy.doc", r + L"photos\\copy.doc")));
    });
    EXPECT_EQ(outcome.answers,
              (std::vector<std::wstring>{L"attributes of a folder ok folder", L"attributes of a file ok file",
                                         L"open to move ok +object", L"create ok +object", L"open a log ok +object",
                                         L"changes ok +object", L"watch a tree ok +object", L"move ok"}));
}

TEST(PlatformContract, PathsLongerThanMaxPath) {
    Both([](World& w, std::vector<std::wstring>& answers) {
        std::wstring folder;
        for (int i = 0; i < 6; ++i) {
            folder += std::wstring(50, static_cast<wchar_t>(L'a' + i)) + L"\\";
            w.MakeFolder(folder.substr(0, folder.size() - 1));
        }
        w.MakeFile(folder + L"long.txt", "deep");
        const std::wstring full = w.Root() + folder;
        ASSERT_GT(full.size(), 300u);
        answers.push_back(Answer(L"exists", w.os().FileExists(full + L"long.txt")));
        answers.push_back(Answer(L"folder exists", w.os().DirectoryExists(full)));
        answers.push_back(Answer(L"move", w.os().MoveFile(full + L"long.txt", full + L"moved.txt")));
        answers.push_back(Answer(L"delete", w.os().DeleteFile(full + L"moved.txt")));
    });
}

TEST(PlatformContract, AFileHeldWithoutSharing) {
    Both([](World& w, std::vector<std::wstring>& answers) {
        w.MakeFolder(L"target");
        w.MakeFolder(L"photos");
        w.MakeFile(L"report.doc", "held");
        w.MakeFile(L"photos\\a.jpg", "held inside");
        w.Hold(L"report.doc");
        w.Hold(L"photos\\a.jpg");
        Platform& os = w.os();
        answers.push_back(Answer(L"exists", os.FileExists(w.Root() + L"report.doc")));
        answers.push_back(Answer(L"move", os.MoveFile(w.Root() + L"report.doc", w.Root() + L"target\\report.doc")));
        answers.push_back(Answer(L"delete", os.DeleteFile(w.Root() + L"report.doc")));
        answers.push_back(ShellAnswer(L"rename its folder",
                                      os.ShellFolderOperation(w.Root() + L"photos", w.Root() + L"~hold_photos", true)));
    });
}

TEST(PlatformContract, ReadingAFileOverItsLimitOrHeldWithoutSharing) {
    Both([](World& w, std::vector<std::wstring>& answers) {
        w.MakeFile(L"settings.xml", "0123456789");
        Platform& os = w.os();
        std::string bytes = "untouched";
        answers.push_back(Answer(L"read over the limit", os.ReadFile(w.Root() + L"settings.xml", bytes, 9)));
        answers.push_back(std::wstring(bytes.begin(), bytes.end()));
        answers.push_back(Answer(L"read at the limit", os.ReadFile(w.Root() + L"settings.xml", bytes, 10)));
        answers.push_back(std::wstring(bytes.begin(), bytes.end()));
        w.Hold(L"settings.xml");
        bytes = "untouched";
        answers.push_back(Answer(L"read while held", os.ReadFile(w.Root() + L"settings.xml", bytes, 10)));
        answers.push_back(std::wstring(bytes.begin(), bytes.end()));
    });
}

// A watched folder that goes away ends the watch: the read waiting on it fails with
// ERROR_FILE_NOT_FOUND, whether the folder was renamed, or renamed and another made in its place.
// (A folder removed by a program of the system itself stays while the watch holds it open, its
// removal pending; it never goes away under the watch's feet.) A read that does not come back
// within seconds fails the case; a folder made at the path then ends it.
TEST(PlatformContract, AWatchedFolderThatGoesEndsTheWatch) {
    const Outcome outcome = Both([](World& w, std::vector<std::wstring>& answers) {
        Platform& os = w.os();
        auto readAfter = [&](const wchar_t* what, const std::function<void()>& change) {
            w.MakeFolder(L"desk");
            std::unique_ptr<DirectoryChanges> watch;
            ASSERT_EQ(os.OpenDirectoryChanges(w.Root() + L"desk\\", watch), SysError::None);
            std::vector<uint32_t> buffer(1024);
            uint32_t bytes = 0, code = 0;
            std::atomic<bool> ok{false}, done{false};
            std::thread reader([&] {
                code = Number(watch->Read(buffer.data(), 4096, bytes));
                ok = code == 0;
                done = true;
            });
            change();
            const bool returned = test::WaitFor([&] { return done.load(); }, 10000);
            if (!returned) os.CreateDirectory(w.Root() + L"desk");
            reader.join();
            answers.push_back(std::wstring(what) + (returned ? L" ended" : L" went on") + (ok ? L" ok" : L" failed ") +
                              std::to_wstring(code));
            os.RemoveFolder(w.Root() + L"desk");
        };
        readAfter(L"renamed", [&] { os.MoveFile(w.Root() + L"desk", w.Root() + L"away"); });
        readAfter(L"replaced", [&] {
            os.MoveFile(w.Root() + L"desk", w.Root() + L"old");
            os.CreateDirectory(w.Root() + L"desk");
        });
    });
    EXPECT_EQ(outcome.answers, (std::vector<std::wstring>{L"renamed ended failed 2", L"replaced ended failed 2"}));
}

}  // namespace
}  // namespace vantrel

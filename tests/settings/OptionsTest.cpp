#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "fakes/FakePlatform.h"
#include "platform/Text.h"
#include "settings/Options.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsFileText.h"

namespace vantrel {
namespace {

const std::wstring kSettingsFile = L"C:\\Users\\tester\\AppData\\Local\\Vantrel\\Settings.xml";
const std::wstring kLogFile = L"C:\\Users\\tester\\AppData\\Local\\Vantrel\\Log.txt";

constexpr auto File = test::SettingsFile;

// The fake, recording in which order the settings file and the log are written and opened.
class RecordingOs : public fake::FakePlatform {
  public:
    RecordingOs() { SetPlatform(this); }
    ~RecordingOs() override { SetPlatform(nullptr); }
    SysError ReplaceFile(const std::wstring& path, const std::string& bytes) override {
        events.push_back(L"ReplaceFile " + path);
        return FakePlatform::ReplaceFile(path, bytes);
    }
    SysError OpenLogFile(const std::wstring& path, std::unique_ptr<OpenFile>& file) override {
        events.push_back(L"OpenLogFile " + path);
        return FakePlatform::OpenLogFile(path, file);
    }
    std::vector<std::wstring> events;
};

TEST(OptionsFirstStart, WritesTheDefaultFileBeforeOpeningTheLogAndMakesTheFolders) {
    RecordingOs os;
    TOptions options;

    EXPECT_EQ(options.DataFolder(), L"C:\\Users\\tester\\AppData\\Local\\");
    EXPECT_EQ(options.TempFolder(), L"C:\\Temp\\");
    EXPECT_EQ(options.DesktopFolder(), L"C:\\Users\\tester\\Desktop\\");
    EXPECT_EQ(options.DocumentsFolder(), L"C:\\Users\\tester\\Documents\\");
    EXPECT_EQ(options.SettingsFileName(), kSettingsFile);
    EXPECT_TRUE(os.DirectoryExists(L"C:\\Users\\tester\\AppData\\Local\\Vantrel"));
    EXPECT_TRUE(os.DirectoryExists(L"C:\\Users\\tester\\Documents\\Vantrel"));

    Settings want = DefaultSettings(L"C:\\Users\\tester\\Documents\\Vantrel\\");
    EXPECT_EQ(options.Snapshot(), want);
    EXPECT_EQ(os.Content(kSettingsFile), File(test::DefaultSettingsText(L"C:\\Users\\tester\\Documents\\Vantrel\\")));

    // The whole file goes through the replacing write, and before the log is opened.
    ASSERT_EQ(os.events.size(), 2u);
    EXPECT_EQ(os.events[0], L"ReplaceFile " + kSettingsFile);
    EXPECT_EQ(os.events[1], L"OpenLogFile " + kLogFile);
    EXPECT_EQ(options.Logger()->LogFileName(), kLogFile);
    EXPECT_TRUE(options.Logger()->IsOpen());
    EXPECT_FALSE(options.Paused);
}

TEST(OptionsFirstStart, WithoutADocumentsFolderTheDestinationIsTheTemporaryFolder) {
    RecordingOs os;
    os.specialFolders.erase(SpecialFolder::Documents);
    TOptions options;
    EXPECT_EQ(options.DocumentsFolder(), L"");
    EXPECT_EQ(options.DestinationFolder(), L"C:\\Temp\\");
    Settings saved = SettingsFromBytes(os.Content(kSettingsFile), L"X:\\");
    EXPECT_EQ(saved.DestinationFolder, L"C:\\Temp\\");
}

TEST(OptionsFirstStart, FoldersFromTheSystemAreCutAtTheirEndAndGetABackslash) {
    RecordingOs os;
    os.specialFolders[SpecialFolder::LocalAppData] = std::wstring(L"C:\\Data \t") + L'\0' + L"leftover junk";
    os.specialFolders[SpecialFolder::Documents] = std::wstring(L"C:\\My Docs\\") + L'\0' + L'\0';
    os.tempPath = L"C:\\Tmp\\Deep\\ \r\n";
    os.AddDirectory(L"C:\\Data");
    TOptions options;
    EXPECT_EQ(options.DataFolder(), L"C:\\Data\\");
    EXPECT_EQ(options.DocumentsFolder(), L"C:\\My Docs\\");
    EXPECT_EQ(options.TempFolder(), L"C:\\Tmp\\Deep\\");
    EXPECT_TRUE(os.DirectoryExists(L"C:\\Tmp\\Deep"));  // a missing temporary folder is made
    EXPECT_TRUE(os.FileExists(L"C:\\Data\\Vantrel\\Settings.xml"));
    EXPECT_TRUE(os.DirectoryExists(L"C:\\My Docs\\Vantrel"));
}

TEST(OptionsFirstStart, MissingShellFoldersFallBackToTheTemporaryFolder) {
    RecordingOs os;
    os.specialFolders.erase(SpecialFolder::LocalAppData);
    os.specialFolders.erase(SpecialFolder::DesktopDirectory);
    TOptions options;
    EXPECT_EQ(options.DataFolder(), L"C:\\Temp\\");
    EXPECT_EQ(options.DesktopFolder(), L"C:\\Temp\\Desktop\\");
    EXPECT_TRUE(os.DirectoryExists(L"C:\\Temp\\Desktop"));
    EXPECT_TRUE(os.FileExists(L"C:\\Temp\\Vantrel\\Settings.xml"));
    EXPECT_EQ(options.Logger()->LogFileName(), L"C:\\Temp\\Vantrel\\Log.txt");
    EXPECT_TRUE(options.Logger()->IsOpen());
}

TEST(OptionsFirstStart, AFileThatCannotBeWrittenLeavesTheDefaultsInForce) {
    RecordingOs os;
    os.Fail(fake::Fault::ReplaceFile, L"", kErrorAccessDenied);
    TOptions options;
    EXPECT_FALSE(os.FileExists(kSettingsFile));
    EXPECT_EQ(options.Snapshot(), DefaultSettings(L"C:\\Users\\tester\\Documents\\Vantrel\\"));
    EXPECT_TRUE(options.Logger()->IsOpen());
}

const wchar_t kHandWritten[] =
    L"<vantrel>\r\n"
    L"  <destinationfolder>D:\\Work\\Deep\\Nested</destinationfolder>\r\n"
    L"  <QuickNote>Yes</QuickNote>\r\n"
    L"  <MoveFolder>N</MoveFolder>\r\n"
    L"  <ExcludedExt><e>*.bak</e></ExcludedExt>\r\n"
    L"  <AlternateFolders><f>E:\\A&amp;B</f></AlternateFolders>\r\n"
    L"</vantrel>\r\n";

TEST(OptionsLaterStart, ReadsTheFileWithoutRewritingItAndMakesTheDestination) {
    RecordingOs os;
    os.AddFile(kSettingsFile, File(kHandWritten));
    TOptions options;

    EXPECT_EQ(options.DocumentsFolder(), L"");
    EXPECT_EQ(options.DestinationFolder(), L"D:\\Work\\Deep\\Nested\\");
    EXPECT_TRUE(os.DirectoryExists(L"D:\\Work\\Deep\\Nested"));
    EXPECT_TRUE(options.QuickNote());
    EXPECT_FALSE(options.MoveFolder());
    EXPECT_EQ(options.ExcludedExt(), StringList{L"*.bak"});
    EXPECT_EQ(options.AlternateFolders(), StringList{L"E:\\A&B"});
    EXPECT_EQ(options.ExcludedFiles(), DefaultExcludedFiles());
    EXPECT_TRUE(options.RenameFile());
    EXPECT_EQ(options.MoveFolderDelay(), 2000);

    EXPECT_EQ(os.Content(kSettingsFile), File(kHandWritten));
    ASSERT_EQ(os.events.size(), 1u);
    EXPECT_EQ(os.events[0], L"OpenLogFile " + kLogFile);
    EXPECT_FALSE(os.DirectoryExists(L"C:\\Users\\tester\\Documents\\Vantrel"));
}

TEST(OptionsLaterStart, ABrokenFileGivesDefaultsForWhatCannotBeReadAndIsNotRewritten) {
    const std::string broken =
        File(L"<Vantrel>\r\n\t<QuickNote>true</QuickNote>\r\n\t<TryCount>x</TryCount>\r\n\t<Exc");
    for (const std::string& bytes : {broken, std::string(), std::string("\xFF\xFE\x00", 3)}) {
        RecordingOs os;
        os.AddFile(kSettingsFile, bytes);
        TOptions options;
        Settings want = DefaultSettings(L"C:\\Users\\tester\\Documents\\Vantrel\\");
        if (bytes == broken) want.QuickNote = true;
        EXPECT_EQ(options.Snapshot(), want);
        EXPECT_EQ(options.DocumentsFolder(), L"");
        EXPECT_TRUE(os.DirectoryExists(L"C:\\Users\\tester\\Documents\\Vantrel"));
        EXPECT_EQ(os.Content(kSettingsFile), bytes);
        EXPECT_EQ(os.events.size(), 1u);  // only the log was opened
    }
}

TEST(OptionsLaterStart, AFileThatCannotBeReadGivesTheDefaultsAndIsNeverWrittenOver) {
    RecordingOs os;
    os.AddFile(kSettingsFile, File(kHandWritten));
    os.Fail(fake::Fault::ReadFile, kSettingsFile, kErrorSharingViolation);
    TOptions options;
    EXPECT_EQ(options.Snapshot(), DefaultSettings(L"C:\\Users\\tester\\Documents\\Vantrel\\"));
    EXPECT_TRUE(options.SettingsFileKept());
    // Tried a few times, a short while apart, before giving up.
    EXPECT_EQ(os.Now(), uint64_t{kSettingsReadRetryMs} * (kSettingsReadAttempts - 1));
    options.SetQuickNote(true);
    EXPECT_FALSE(options.Save());
    EXPECT_EQ(os.Content(kSettingsFile), File(kHandWritten));
    EXPECT_EQ(os.events.size(), 1u);  // only the log was opened
}

TEST(OptionsLaterStart, AFileHeldForAMomentIsReadOnALaterAttempt) {
    RecordingOs os;
    os.AddFile(kSettingsFile, File(kHandWritten));
    os.Fail(fake::Fault::ReadFile, kSettingsFile, kErrorSharingViolation, 2);
    TOptions options;
    EXPECT_FALSE(options.SettingsFileKept());
    EXPECT_EQ(options.Snapshot(), SettingsFromBytes(File(kHandWritten), L"unused"));
    EXPECT_TRUE(options.Save());
}

TEST(OptionsLaterStart, AnOversizedFileIsNotReadAndNeverWrittenOver) {
    {
        RecordingOs os;
        // A real settings file in front, then megabytes of tags.
        std::string huge = File(kHandWritten);
        huge.resize(5 * 1024 * 1024, 'x');
        os.AddFile(kSettingsFile, huge);
        TOptions options;
        EXPECT_EQ(options.Snapshot(), DefaultSettings(L"C:\\Users\\tester\\Documents\\Vantrel\\"));
        EXPECT_TRUE(options.SettingsFileKept());
        EXPECT_EQ(os.Now(), 0u);  // not tried again: it stays too long
        EXPECT_FALSE(options.Save());
        EXPECT_EQ(os.Content(kSettingsFile), huge);
    }
    // Up to the limit it is read as usual.
    std::string fits = File(kHandWritten);
    fits.resize(kMaxSettingsFileSize, ' ');
    RecordingOs os;
    os.AddFile(kSettingsFile, fits);
    TOptions options;
    EXPECT_FALSE(options.SettingsFileKept());
}

TEST(OptionsLaterStart, AFileGoneBeforeItIsReadIsLikeNoFile) {
    RecordingOs os;
    os.AddFile(kSettingsFile, File(kHandWritten));
    os.Fail(fake::Fault::ReadFile, kSettingsFile, kErrorFileNotFound);
    TOptions options;
    EXPECT_FALSE(options.SettingsFileKept());
    EXPECT_TRUE(options.Save());
}

TEST(OptionsSave, SaveThenLoadGivesBackEveryField) {
    RecordingOs os;
    Settings changed;
    {
        TOptions options;
        options.SetDestinationFolder(L"D:\\R&D <2026>\\");
        options.SetAlternateFolders({L"E:\\A&B", L"F:\\<x>"});
        options.SetExcludedExt({L"*.a&b"});
        options.SetExcludedFiles({});
        options.SetQuickNote(true);
        options.SetSaveNoteFiles(true);
        options.SetMoveFolder(true);
        options.SetMoveFolderDelay(7000);
        options.SetRenameFile(false);
        options.SetRenameFolder(false);
        options.SetMoveRenamed(true);
        options.SetShowIcon(false);
        options.SetTryToMove(true);
        options.SetTryCount(3);
        options.Paused = true;
        EXPECT_TRUE(options.Save());
        changed = options.Snapshot();
        options.Logger()->Close();
    }
    TOptions again;
    EXPECT_EQ(again.Snapshot(), changed);
    EXPECT_EQ(again.DestinationFolder(), L"D:\\R&D <2026>\\");
    EXPECT_EQ(again.AlternateFolders(), (StringList{L"E:\\A&B", L"F:\\<x>"}));
    EXPECT_FALSE(again.Paused);  // never saved
    EXPECT_NE(os.Content(kSettingsFile).find(ToUtf16Le(L"D:\\R&amp;D &lt;2026>\\")), std::string::npos);
}

TEST(OptionsSave, AFailedSaveReturnsFalseAndLeavesTheOldFile) {
    RecordingOs os;
    TOptions options;
    std::string before = os.Content(kSettingsFile);
    options.SetQuickNote(true);
    os.Fail(fake::Fault::ReplaceFile, kSettingsFile, kErrorAccessDenied, 1);
    EXPECT_FALSE(options.Save());
    EXPECT_EQ(os.Content(kSettingsFile), before);
    EXPECT_TRUE(options.Save());
    EXPECT_NE(os.Content(kSettingsFile), before);
}

TEST(OptionsSetters, AssignAndSettersChangeOnlyTheirFields) {
    RecordingOs os;
    TOptions options;
    Settings s = options.Snapshot();
    options.SetTryCount(9);
    s.TryCount = 9;
    EXPECT_EQ(options.Snapshot(), s);
    s.ExcludedExt = {L"*.z"};
    s.ShowIcon = false;
    options.Assign(s);
    EXPECT_EQ(options.ExcludedExt(), StringList{L"*.z"});
    EXPECT_FALSE(options.ShowIcon());
    EXPECT_EQ(options.TryCount(), 9);
}

TEST(OptionsConcurrency, ReadersSeeWholeListsAndStringsWhileTheMainThreadChangesThem) {
    RecordingOs os;
    TOptions options;
    const StringList a = {L"*.a", L"*.b", L"*.c"};
    const StringList b = {L"*.long-extension-one", L"*.long-extension-two"};
    const std::wstring folderA = L"D:\\A\\", folderB = L"E:\\A much longer folder name that will not fit in place\\";
    options.SetExcludedExt(a);
    options.SetDestinationFolder(folderA);

    std::atomic<bool> stop{false};
    std::atomic<int> bad{0}, reads{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                StringList ext = options.ExcludedExt();
                std::wstring folder = options.DestinationFolder();
                Settings snap = options.Snapshot();
                if (ext != a && ext != b) ++bad;
                if (folder != folderA && folder != folderB) ++bad;
                // A snapshot is taken at one moment: its list and folder were set together.
                if ((snap.ExcludedExt == a) != (snap.DestinationFolder == folderA)) ++bad;
                ++reads;
            }
        });
    }
    // Changes go on until the readers have read many times over, however the threads are scheduled.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int i = 0; i < 400 || (reads.load() < 400 && std::chrono::steady_clock::now() < until); ++i) {
        bool first = i % 2 == 0;
        Settings s = options.Snapshot();
        s.ExcludedExt = first ? b : a;
        s.DestinationFolder = first ? folderB : folderA;
        options.Assign(s);
        options.SetAlternateFolders(first ? b : a);
        options.SetMoveFolderDelay(i);
    }
    stop = true;
    for (auto& t : readers)
        t.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_GE(reads.load(), 400);
}

// "&Save" hands over every setting in one value: a worker reading meanwhile sees all of one
// save or all of the other, never some fields of each.
TEST(OptionsConcurrency, ASettingsValueAssignedAtOnceIsSeenWholeOrNotAtAll) {
    RecordingOs os;
    TOptions options;
    Settings a = options.Snapshot();
    Settings b;
    b.DestinationFolder = L"E:\\Other target\\";
    b.AlternateFolders = {L"F:\\One\\", L"F:\\Two\\"};
    b.ExcludedExt = {L"*.zip"};
    b.ExcludedFiles = {L"keep.me"};
    b.QuickNote = !a.QuickNote;
    b.SaveNoteFiles = !a.SaveNoteFiles;
    b.MoveFolder = !a.MoveFolder;
    b.MoveFolderDelay = a.MoveFolderDelay + 5000;
    b.RenameFile = !a.RenameFile;
    b.RenameFolder = !a.RenameFolder;
    b.MoveRenamed = !a.MoveRenamed;
    b.ShowIcon = !a.ShowIcon;
    b.TryToMove = !a.TryToMove;
    b.TryCount = a.TryCount + 3;
    ASSERT_NE(a.DestinationFolder, b.DestinationFolder);
    ASSERT_NE(a.ExcludedExt, b.ExcludedExt);

    std::atomic<bool> stop{false};
    std::atomic<int> mixed{0}, reads{0}, seenB{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                Settings seen = options.Snapshot();
                if (seen != a && seen != b) ++mixed;
                if (seen == b) ++seenB;
                ++reads;
            }
        });
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int i = 0; i < 400 || ((reads.load() < 400 || seenB.load() == 0) && std::chrono::steady_clock::now() < until);
         ++i)
        options.Assign(i % 2 == 0 ? b : a);
    stop = true;
    for (auto& t : readers)
        t.join();
    EXPECT_EQ(mixed.load(), 0);
    EXPECT_GE(reads.load(), 400);
    EXPECT_GT(seenB.load(), 0);
}

TEST(OptionsHelpers, TrimBufferCutsAtTheNulAndDropsTrailingBlanks) {
    std::wstring a = std::wstring(L"C:\\Path\\") + L'\0' + L"rest";
    TrimBuffer(a);
    EXPECT_EQ(a, L"C:\\Path\\");
    std::wstring b = L"C:\\Path \t\r\n\x01";
    TrimBuffer(b);
    EXPECT_EQ(b, L"C:\\Path");
    std::wstring c = std::wstring(261, L'\0');
    TrimBuffer(c);
    EXPECT_EQ(c, L"");
    std::wstring d = L"  C:\\x";
    TrimBuffer(d);
    EXPECT_EQ(d, L"  C:\\x");  // only the end is trimmed
}

TEST(OptionsHelpers, ForceDirectoriesMakesEveryMissingParent) {
    fake::FakeOs os;
    EXPECT_TRUE(ForceDirectories(L"D:\\a\\b\\c\\"));
    EXPECT_TRUE(os->DirectoryExists(L"D:\\a"));
    EXPECT_TRUE(os->DirectoryExists(L"D:\\a\\b\\c"));
    EXPECT_TRUE(ForceDirectories(L"D:\\a\\b"));  // already there
    os->Fail(fake::Fault::CreateDirectory, L"D:\\x\\y", kErrorAccessDenied);
    EXPECT_FALSE(ForceDirectories(L"D:\\x\\y\\z"));
    EXPECT_TRUE(os->DirectoryExists(L"D:\\x"));
    EXPECT_FALSE(os->DirectoryExists(L"D:\\x\\y\\z"));
}

}  // namespace
}  // namespace vantrel

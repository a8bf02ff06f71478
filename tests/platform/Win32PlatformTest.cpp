// The Win32 platform against real files and folders in a fresh temporary folder.
#include <windows.h>

#undef MoveFile
#undef DeleteFile
#undef CreateDirectory
#undef ReplaceFile

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "WaitFor.h"
#include "platform/Platform.h"
#include "platform/UniqueHandle.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// Every byte value, so that no text conversion can slip through unnoticed.
std::string AllBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    bytes += "\r\n\xFF\xFE";
    return bytes;
}

class Win32PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static int counter = 0;
        root_ = fs::temp_directory_path() /
                ("vantrel-platform-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter));
        fs::remove_all(root_);
        fs::create_directories(root_);
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    std::wstring Path(const std::wstring& name) const { return (root_ / name).wstring(); }

    static void Put(const std::wstring& path, const std::string& bytes) {
        std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good());
    }

    static std::string Get(const std::wstring& path) {
        std::ifstream in(fs::path(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Opens a file the way another program holding it would: no sharing at all.
    static unique_handle HoldExclusively(const std::wstring& path) {
        return unique_handle(
            ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    }

    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(root_))
            names.push_back(entry.path().filename().wstring());
        return names;
    }

    Platform& os = Os();
    fs::path root_;
};

TEST_F(Win32PlatformTest, FileAndDirectoryTestsTellFilesFromFolders) {
    Put(Path(L"report.doc"), "x");
    fs::create_directory(root_ / L"photos");

    EXPECT_TRUE(os.FileExists(Path(L"report.doc")));
    EXPECT_TRUE(os.FileExists(Path(L"REPORT.DOC")));  // the file system ignores case
    EXPECT_FALSE(os.FileExists(Path(L"photos")));
    EXPECT_FALSE(os.FileExists(Path(L"missing.txt")));

    EXPECT_TRUE(os.DirectoryExists(Path(L"photos")));
    EXPECT_TRUE(os.DirectoryExists(Path(L"photos\\")));
    EXPECT_FALSE(os.DirectoryExists(Path(L"report.doc")));
    EXPECT_FALSE(os.DirectoryExists(Path(L"missing")));
}

TEST_F(Win32PlatformTest, CreateDirectoryMakesOneLevelAndDeleteFileRemovesFiles) {
    EXPECT_EQ(os.CreateDirectory(Path(L"new")), SysError::None);
    EXPECT_TRUE(fs::is_directory(root_ / L"new"));

    EXPECT_EQ(os.CreateDirectory(Path(L"new")), kErrorAlreadyExists);

    EXPECT_EQ(os.CreateDirectory(Path(L"a\\b")), kErrorPathNotFound);
    EXPECT_FALSE(fs::exists(root_ / L"a"));

    Put(Path(L"old.txt"), "old");
    EXPECT_EQ(os.DeleteFile(Path(L"old.txt")), SysError::None);
    EXPECT_FALSE(fs::exists(root_ / L"old.txt"));

    EXPECT_EQ(os.DeleteFile(Path(L"old.txt")), kErrorFileNotFound);
}

TEST_F(Win32PlatformTest, MoveFileMovesAndNeverReplaces) {
    fs::create_directory(root_ / L"target");
    Put(Path(L"report.doc"), AllBytes());

    ASSERT_EQ(os.MoveFile(Path(L"report.doc"), Path(L"target\\report.doc")), SysError::None);
    EXPECT_FALSE(fs::exists(root_ / L"report.doc"));
    EXPECT_EQ(Get(Path(L"target\\report.doc")), AllBytes());

    // A file of that name already in the target: it stays, and so does the incoming one.
    Put(Path(L"report.doc"), "new");
    const SysError clash = os.MoveFile(Path(L"report.doc"), Path(L"target\\report.doc"));
    EXPECT_TRUE(clash == kErrorAlreadyExists || clash == kErrorFileExists) << Number(clash);
    EXPECT_EQ(Get(Path(L"report.doc")), "new");
    EXPECT_EQ(Get(Path(L"target\\report.doc")), AllBytes());

    // A folder of that name blocks the move just the same.
    fs::create_directory(root_ / L"target" / L"folder.doc");
    Put(Path(L"folder.doc"), "f");
    const SysError folderClash = os.MoveFile(Path(L"folder.doc"), Path(L"target\\folder.doc"));
    EXPECT_TRUE(folderClash == kErrorAlreadyExists || folderClash == kErrorFileExists) << Number(folderClash);

    EXPECT_EQ(os.MoveFile(Path(L"missing.doc"), Path(L"target\\missing.doc")), kErrorFileNotFound);
}

// A folder's full form is made once and kept, so it must not outlive what it depends on: a
// relative folder follows the current directory, and every spelling of a rooted one (slashes,
// "..") names its own folder, each item's last name kept as it stands, a trailing dot included.
TEST_F(Win32PlatformTest, PathsNameTheirFolderHoweverSpelledAndRelativeOnesFollowTheCurrentFolder) {
    fs::create_directories(root_ / L"a");
    fs::create_directories(root_ / L"b");
    Put(Path(L"a\\only-a.txt"), "a");
    Put(Path(L"b\\only-b.txt"), "b");
    wchar_t before[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, before);
    for (int round = 0; round < 2; ++round) {  // the second round finds the folders already made full
        ASSERT_TRUE(::SetCurrentDirectoryW(Path(L"a").c_str()));
        EXPECT_TRUE(os.FileExists(L".\\only-a.txt")) << round;
        EXPECT_FALSE(os.FileExists(L".\\only-b.txt")) << round;
        ASSERT_TRUE(::SetCurrentDirectoryW(Path(L"b").c_str()));
        EXPECT_TRUE(os.FileExists(L".\\only-b.txt")) << round;
        EXPECT_FALSE(os.FileExists(L".\\only-a.txt")) << round;
        EXPECT_TRUE(os.FileExists(root_.wstring() + L"/a/../b/only-b.txt")) << round;
        EXPECT_TRUE(os.FileExists(root_.wstring() + L"/b/../a/only-a.txt")) << round;
    }
    ::SetCurrentDirectoryW(before);
    // The runtime's own file calls would drop the dot: the seam alone is asked.
    ASSERT_EQ(os.MoveFile(Path(L"a\\only-a.txt"), root_.wstring() + L"/b/../b/dotted."), SysError::None);
    EXPECT_TRUE(os.FileExists(Path(L"b\\dotted.")));
    EXPECT_FALSE(os.FileExists(Path(L"b\\dotted")));
    EXPECT_EQ(os.MoveFile(root_.wstring() + L"/b/dotted.", Path(L"a\\dotted.")), SysError::None);
    EXPECT_TRUE(os.FileExists(Path(L"a\\dotted.")));
    EXPECT_EQ(os.DeleteFile(root_.wstring() + L"/a/./dotted."), SysError::None);
    EXPECT_FALSE(os.FileExists(Path(L"a\\dotted.")));
    os.DeleteFile(Path(L"b\\dotted."));  // left by a failed move back, the runtime could not remove it
}

TEST_F(Win32PlatformTest, MoveFileOfAFileHeldOpenIsASharingViolationUntilReleased) {
    fs::create_directory(root_ / L"target");
    Put(Path(L"busy.doc"), "busy");

    unique_handle held = HoldExclusively(Path(L"busy.doc"));
    ASSERT_TRUE(held);
    EXPECT_EQ(os.MoveFile(Path(L"busy.doc"), Path(L"target\\busy.doc")), kErrorSharingViolation);
    EXPECT_EQ(os.DeleteFile(Path(L"busy.doc")), kErrorSharingViolation);
    EXPECT_TRUE(fs::exists(root_ / L"busy.doc"));

    held.reset();
    EXPECT_EQ(os.MoveFile(Path(L"busy.doc"), Path(L"target\\busy.doc")), SysError::None);
    EXPECT_EQ(Get(Path(L"target\\busy.doc")), "busy");
}

TEST_F(Win32PlatformTest, ShellFolderOperationRenamesAndMovesWholeFolders) {
    fs::create_directories(root_ / L"photos" / L"sub");
    Put(Path(L"photos\\a.jpg"), "a");
    Put(Path(L"photos\\sub\\b.jpg"), AllBytes());
    fs::create_directory(root_ / L"target");

    EXPECT_EQ(os.ShellFolderOperation(Path(L"photos"), Path(L"~dvrename123_photos"), true), ShellResult::Success);
    EXPECT_FALSE(fs::exists(root_ / L"photos"));
    EXPECT_EQ(Get(Path(L"~dvrename123_photos\\a.jpg")), "a");

    EXPECT_EQ(os.ShellFolderOperation(Path(L"~dvrename123_photos"), Path(L"target\\photos"), false),
              ShellResult::Success);
    EXPECT_FALSE(fs::exists(root_ / L"~dvrename123_photos"));
    EXPECT_EQ(Get(Path(L"target\\photos\\a.jpg")), "a");
    EXPECT_EQ(Get(Path(L"target\\photos\\sub\\b.jpg")), AllBytes());
}

TEST_F(Win32PlatformTest, ShellFolderOperationThatCannotBeDoneFails) {
    // The take step of the folder mover: the folder is gone, or the holding name is taken.
    EXPECT_NE(os.ShellFolderOperation(Path(L"gone"), Path(L"~dvrename1_gone"), true), ShellResult::Success);
    EXPECT_FALSE(fs::exists(root_ / L"~dvrename1_gone"));

    fs::create_directory(root_ / L"photos");
    fs::create_directory(root_ / L"~dvrename2_photos");
    EXPECT_NE(os.ShellFolderOperation(Path(L"photos"), Path(L"~dvrename2_photos"), true), ShellResult::Success);
    EXPECT_TRUE(fs::is_directory(root_ / L"photos"));

    // A move to a target that cannot exist leaves the folder where it was.
    EXPECT_NE(os.ShellFolderOperation(Path(L"photos"), L"Q:\\nowhere\\photos", false), ShellResult::Success);
    EXPECT_TRUE(fs::is_directory(root_ / L"photos"));
}

TEST_F(Win32PlatformTest, WriteFileAndReadFileKeepEveryByte) {
    ASSERT_EQ(os.WriteFile(Path(L"note.txt"), AllBytes()), SysError::None);
    EXPECT_EQ(Get(Path(L"note.txt")), AllBytes());

    std::string read = "stale";
    ASSERT_EQ(os.ReadFile(Path(L"note.txt"), read, UINT64_MAX), SysError::None);
    EXPECT_EQ(read, AllBytes());

    // Writing again empties the file first.
    ASSERT_EQ(os.WriteFile(Path(L"note.txt"), "ab"), SysError::None);
    ASSERT_EQ(os.ReadFile(Path(L"note.txt"), read, UINT64_MAX), SysError::None);
    EXPECT_EQ(read, "ab");

    ASSERT_EQ(os.WriteFile(Path(L"empty.txt"), ""), SysError::None);
    ASSERT_EQ(os.ReadFile(Path(L"empty.txt"), read, 0), SysError::None);
    EXPECT_EQ(read, "");

    EXPECT_EQ(os.ReadFile(Path(L"missing.txt"), read, UINT64_MAX), kErrorFileNotFound);
    EXPECT_EQ(os.WriteFile(Path(L"missing\\note.txt"), "x"), kErrorPathNotFound);
}

TEST_F(Win32PlatformTest, ReplaceFileCreatesOrReplacesAndLeavesNoTemporaryFile) {
    ASSERT_EQ(os.ReplaceFile(Path(L"Settings.xml"), "first"), SysError::None);
    EXPECT_EQ(Get(Path(L"Settings.xml")), "first");

    ASSERT_EQ(os.ReplaceFile(Path(L"Settings.xml"), AllBytes()), SysError::None);
    EXPECT_EQ(Get(Path(L"Settings.xml")), AllBytes());

    ASSERT_EQ(os.ReplaceFile(Path(L"Settings.xml"), "x"),
              SysError::None);  // shorter than before: nothing of the old remains
    EXPECT_EQ(Get(Path(L"Settings.xml")), "x");

    EXPECT_EQ(Names(), std::vector<std::wstring>{L"Settings.xml"});

    EXPECT_EQ(os.ReplaceFile(Path(L"missing\\Settings.xml"), "x"), kErrorPathNotFound);
}

TEST_F(Win32PlatformTest, ReplaceFileThatCannotTakeThePlaceKeepsTheOldFile) {
    Put(Path(L"Settings.xml"), "good");
    unique_handle held = HoldExclusively(Path(L"Settings.xml"));
    ASSERT_TRUE(held);

    EXPECT_NE(os.ReplaceFile(Path(L"Settings.xml"), "new"), SysError::None);
    held.reset();

    EXPECT_EQ(Get(Path(L"Settings.xml")), "good");
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"Settings.xml"});
}

TEST_F(Win32PlatformTest, LogFileIsCreatedAppendedReadAndTruncated) {
    const std::wstring log = Path(L"Log.txt");
    std::unique_ptr<OpenFile> file;
    ASSERT_EQ(os.OpenLogFile(log, file), SysError::None);
    ASSERT_TRUE(file);
    EXPECT_TRUE(fs::exists(log));
    EXPECT_EQ(fs::file_size(log), 0u);

    ASSERT_EQ(file->Append("one\r\n", 5), SysError::None);
    ASSERT_EQ(file->Append("two\r\n", 5), SysError::None);
    std::string all;
    ASSERT_EQ(file->ReadAll(all), SysError::None);
    EXPECT_EQ(all, "one\r\ntwo\r\n");

    // After a read from the start the next entry still goes to the end.
    ASSERT_EQ(file->Append("three\r\n", 7), SysError::None);
    ASSERT_EQ(file->ReadAll(all), SysError::None);
    EXPECT_EQ(all, "one\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(Get(log), "one\r\ntwo\r\nthree\r\n");  // others may read it while it is open

    ASSERT_EQ(file->Truncate(), SysError::None);
    EXPECT_EQ(fs::file_size(log), 0u);
    ASSERT_EQ(file->ReadAll(all), SysError::None);
    EXPECT_EQ(all, "");
    ASSERT_EQ(file->Append("cleared\r\n", 9), SysError::None);
    EXPECT_EQ(Get(log), "cleared\r\n");

    // An existing log is opened as it is and appended to.
    file.reset();
    ASSERT_EQ(os.OpenLogFile(log, file), SysError::None);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->Append(AllBytes().data(), AllBytes().size()), SysError::None);
    EXPECT_EQ(Get(log), "cleared\r\n" + AllBytes());
}

TEST_F(Win32PlatformTest, LogFileOpenWhileAnotherHoldsItForWritingFails) {
    const std::wstring log = Path(L"Log.txt");
    std::unique_ptr<OpenFile> first, second, again;
    ASSERT_EQ(os.OpenLogFile(log, first), SysError::None);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->Append("first\r\n", 7), SysError::None);

    EXPECT_EQ(os.OpenLogFile(log, second), kErrorSharingViolation);
    EXPECT_EQ(second, nullptr);

    first.reset();
    ASSERT_EQ(os.OpenLogFile(log, again), SysError::None);
    ASSERT_TRUE(again);
    std::string all;
    ASSERT_EQ(again->ReadAll(all), SysError::None);
    EXPECT_EQ(all, "first\r\n");

    std::unique_ptr<OpenFile> missing;
    EXPECT_EQ(os.OpenLogFile(Path(L"missing\\Log.txt"), missing), kErrorPathNotFound);
    EXPECT_EQ(missing, nullptr);
}

// One FILE_NOTIFY_INFORMATION record, read field by field: records need not be aligned.
struct Record {
    uint32_t action;
    std::wstring name;
};

std::vector<Record> Records(const unsigned char* block, uint32_t bytes) {
    std::vector<Record> records;
    uint32_t offset = 0;
    while (offset + 12 <= bytes) {
        uint32_t next = 0, action = 0, length = 0;
        std::memcpy(&next, block + offset, 4);
        std::memcpy(&action, block + offset + 4, 4);
        std::memcpy(&length, block + offset + 8, 4);
        std::wstring name(length / 2, L'\0');
        std::memcpy(name.data(), block + offset + 12, length / 2 * 2);
        records.push_back({action, name});
        if (next == 0) break;
        offset += next;
    }
    return records;
}

// Why the last of them failed.
SysError readFailure = SysError::None;

// One read of changes, made to happen: a watch starts with its first read, so a file is made
// every 50 ms (stem0.txt, stem1.txt, ...) until the read has returned.
bool ReadWhileMakingFiles(DirectoryChanges& changes,
                          const fs::path& folder,
                          const std::wstring& stem,
                          unsigned char* block,
                          uint32_t size,
                          uint32_t& bytes) {
    std::atomic<bool> done{false};
    std::thread creator([&] {
        for (int i = 0; !done.load(); ++i) {
            std::ofstream(folder / (stem + std::to_wstring(i) + L".txt")) << "n";
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    readFailure = changes.Read(block, size, bytes);
    done = true;
    creator.join();
    return readFailure == SysError::None;
}

TEST_F(Win32PlatformTest, DirectoryChangesReportANewFileByName) {
    fs::create_directory(root_ / L"desktop");
    std::unique_ptr<DirectoryChanges> changes;
    ASSERT_EQ(os.OpenDirectoryChanges(Path(L"desktop"), changes), SysError::None);
    ASSERT_TRUE(changes);

    alignas(4) static unsigned char block[0x10000];
    uint32_t bytes = 0;
    ASSERT_TRUE(ReadWhileMakingFiles(*changes, root_ / L"desktop", L"new", block, sizeof(block), bytes))
        << Number(readFailure);
    ASSERT_GT(bytes, 12u);
    const std::vector<Record> records = Records(block, bytes);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().action, static_cast<uint32_t>(FILE_ACTION_ADDED));
    EXPECT_EQ(records.front().name.rfind(L"new", 0), 0u) << records.front().name.size();
    EXPECT_EQ(records.front().name.substr(records.front().name.size() - 4), L".txt");
}

TEST_F(Win32PlatformTest, DirectoryChangesKeepWatchingBetweenReadsAndCloseWhileWatching) {
    fs::create_directory(root_ / L"desktop");
    std::unique_ptr<DirectoryChanges> changes;
    ASSERT_EQ(os.OpenDirectoryChanges(Path(L"desktop"), changes), SysError::None);
    ASSERT_TRUE(changes);

    alignas(4) static unsigned char block[0x10000];
    uint32_t bytes = 0;
    ASSERT_TRUE(ReadWhileMakingFiles(*changes, root_ / L"desktop", L"first", block, sizeof(block), bytes))
        << Number(readFailure);

    // Names that arrive while nobody is reading are all reported by the reads that follow.
    std::set<std::wstring> missing = {L"late1.txt", L"late2.txt", L"late3.txt"};
    for (const auto& name : missing)
        Put(Path(L"desktop\\" + name), "l");
    for (int reads = 0; reads < 50 && !missing.empty(); ++reads) {
        ASSERT_EQ(changes->Read(block, sizeof(block), bytes), SysError::None);
        for (const Record& record : Records(block, bytes))
            if (record.action == FILE_ACTION_ADDED) missing.erase(record.name);
    }
    EXPECT_TRUE(missing.empty()) << missing.size();

    // Closed with the next read queued: the close ends that read, and changes that come afterwards
    // write nothing into the caller's buffer. A second watch shows when they have come.
    std::memset(block, 0xA5, sizeof(block));
    changes.reset();
    std::unique_ptr<DirectoryChanges> witness;
    ASSERT_EQ(os.OpenDirectoryChanges(Path(L"desktop"), witness), SysError::None);
    ASSERT_TRUE(witness);
    alignas(4) static unsigned char seen[0x10000];
    uint32_t seenBytes = 0;
    ASSERT_TRUE(ReadWhileMakingFiles(*witness, root_ / L"desktop", L"after", seen, sizeof(seen), seenBytes))
        << Number(readFailure);
    EXPECT_GT(seenBytes, 12u);
    const size_t written = sizeof(block) - static_cast<size_t>(std::count(std::begin(block), std::end(block), 0xA5));
    EXPECT_EQ(written, 0u) << "bytes written into the closed watch's buffer";

    // Both watches closed, nothing holds the folder any more: it goes at once.
    witness.reset();
    std::error_code error;
    fs::remove_all(root_ / L"desktop", error);
    EXPECT_FALSE(error) << error.message();
    EXPECT_FALSE(fs::exists(root_ / L"desktop"));
}

TEST_F(Win32PlatformTest, DirectoryChangesOfAMissingFolderFail) {
    std::unique_ptr<DirectoryChanges> changes;
    EXPECT_EQ(os.OpenDirectoryChanges(Path(L"missing"), changes), kErrorFileNotFound);
    EXPECT_EQ(changes, nullptr);
}

TEST_F(Win32PlatformTest, FolderWatchSeesNamesChangeInsideAndTimesOutWhenQuiet) {
    fs::create_directory(root_ / L"photos");
    Put(Path(L"photos\\old.jpg"), "o");
    std::unique_ptr<FolderWatch> watch;
    ASSERT_EQ(os.WatchFolderTree(Path(L"photos"), watch), SysError::None);
    ASSERT_TRUE(watch);

    EXPECT_EQ(watch->Wait(200), WaitResult::Timeout);

    Put(Path(L"photos\\new.jpg"), "n");
    EXPECT_EQ(watch->Wait(5000), WaitResult::Changed);
    ASSERT_EQ(watch->Rearm(), SysError::None);
    EXPECT_EQ(watch->Wait(300), WaitResult::Timeout);

    // Writing into a file that is already there changes no name.
    Put(Path(L"photos\\old.jpg"), "longer content");
    EXPECT_EQ(watch->Wait(300), WaitResult::Timeout);

    fs::create_directory(root_ / L"photos" / L"sub");
    EXPECT_EQ(watch->Wait(5000), WaitResult::Changed);
    ASSERT_EQ(watch->Rearm(), SysError::None);

    // The whole tree is watched. (Wine 8 watches only subfolders made after the watch started;
    // Windows watches every one.)
    Put(Path(L"photos\\sub\\deep.jpg"), "d");
    EXPECT_EQ(watch->Wait(5000), WaitResult::Changed);
    ASSERT_EQ(watch->Rearm(), SysError::None);

    fs::rename(root_ / L"photos" / L"sub" / L"deep.jpg", root_ / L"photos" / L"sub" / L"renamed.jpg");
    EXPECT_EQ(watch->Wait(5000), WaitResult::Changed);
}

TEST_F(Win32PlatformTest, FolderWatchOfAMissingFolderFails) {
    std::unique_ptr<FolderWatch> watch;
    const SysError code = os.WatchFolderTree(Path(L"missing"), watch);
    EXPECT_TRUE(code == kErrorFileNotFound || code == kErrorPathNotFound) << Number(code);
    EXPECT_EQ(watch, nullptr);
}

TEST_F(Win32PlatformTest, ClockSleepAndAStaleLastError) {
    // The tick count is read inside the span the steady clock measures, so on a busy machine both
    // grow alike; the tick count moves in steps of up to ~16 ms.
    const auto start = std::chrono::steady_clock::now();
    const uint32_t before = os.TickCount();
    os.Sleep(300);
    const uint32_t ticks = os.TickCount() - before;
    const auto real = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_GE(real.count(), 284);  // the system may wake a sleeper up to one tick early
    EXPECT_GE(ticks, 268u);
    EXPECT_LE(ticks, static_cast<uint64_t>(real.count()) + 32u);
    EXPECT_LT(ticks, 60000u) << "milliseconds taken for seconds";

    // What an earlier failure left as the thread's last error is no answer of a call that works.
    ::SetLastError(1234);
    EXPECT_EQ(os.CreateDirectory(Path(L"fresh")), SysError::None);
    ::SetLastError(1234);
    EXPECT_EQ(os.DeleteFile(Path(L"fresh.txt")), kErrorFileNotFound);
}

TEST_F(Win32PlatformTest, LowerCaseFoldsUnicodeLetters) {
    std::wstring text = L"REPORT.Doc \u00C4\u00D6\u00DC \u041F\u0420\u0418\u0412\u0415\u0422 123";
    os.LowerCase(text);
    EXPECT_EQ(text, L"report.doc \u00E4\u00F6\u00FC \u043F\u0440\u0438\u0432\u0435\u0442 123");

    std::wstring empty;
    os.LowerCase(empty);
    EXPECT_EQ(empty, L"");
}

// The local time one second after t.
SYSTEMTIME NextSecond(const SYSTEMTIME& t) {
    FILETIME file{};
    ::SystemTimeToFileTime(&t, &file);
    ULARGE_INTEGER value{};
    value.LowPart = file.dwLowDateTime;
    value.HighPart = file.dwHighDateTime;
    value.QuadPart += 10000000;  // 100 ns units
    file.dwLowDateTime = value.LowPart;
    file.dwHighDateTime = value.HighPart;
    SYSTEMTIME next{};
    ::FileTimeToSystemTime(&file, &next);
    return next;
}

std::wstring ShortDate(const SYSTEMTIME& t) {
    wchar_t text[128] = {};
    return ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, text, 128) > 0 ? text : L"?";
}

std::wstring LongTime(const SYSTEMTIME& t) {
    wchar_t text[128] = {};
    return ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &t, nullptr, text, 128) > 0 ? text : L"?";
}

std::wstring TwoDigits(int value) {
    return std::wstring(1, static_cast<wchar_t>(L'0' + value / 10)) + static_cast<wchar_t>(L'0' + value % 10);
}

// Whether text holds the minutes and the seconds of t as "mm:ss", with whatever separator the
// locale puts between them.
bool HasMinutesAndSeconds(const std::wstring& text, const SYSTEMTIME& t) {
    const std::wstring mm = TwoDigits(t.wMinute), ss = TwoDigits(t.wSecond);
    for (size_t at = 0; at + 5 <= text.size(); ++at)
        if (text.compare(at, 2, mm) == 0 && !iswdigit(text[at + 2]) && text.compare(at + 3, 2, ss) == 0) return true;
    return false;
}

TEST_F(Win32PlatformTest, TimeStampIsDateBlankTime) {
    SYSTEMTIME before{}, after{};
    ::GetLocalTime(&before);
    const std::wstring stamp = os.TimeStamp();
    ::GetLocalTime(&after);

    // The stamp is the user's short date, one blank and the user's long time, of a second between
    // the two readings of the local time (a busy machine may take more than one).
    before.wMilliseconds = 0;
    after.wMilliseconds = 0;
    SYSTEMTIME second = before;
    bool found = false;
    for (int i = 0; i < 600 && !found; ++i, second = NextSecond(second)) {
        const bool midnight = second.wHour == 0 && second.wMinute == 0 && second.wSecond == 0;
        if (stamp == ShortDate(second) + L" " + LongTime(second) || (midnight && stamp == ShortDate(second))) {
            found = true;
            // Taken apart: the date holds the year, the time the minutes and the seconds, two
            // digits each.
            const std::wstring date = stamp.substr(0, ShortDate(second).size());
            EXPECT_NE(date.find(TwoDigits(second.wYear % 100)), std::wstring::npos) << date;
            if (!midnight) {
                const std::wstring time = stamp.substr(date.size() + 1);
                EXPECT_TRUE(HasMinutesAndSeconds(time, second)) << time;
            }
        }
        if (second.wHour == after.wHour && second.wMinute == after.wMinute && second.wSecond == after.wSecond) break;
    }
    EXPECT_TRUE(found) << stamp << " is not the date and time of a second from " << LongTime(before) << " to "
                       << LongTime(after);
    EXPECT_EQ(stamp.find(L'\0'), std::wstring::npos);
    EXPECT_EQ(stamp.find(L"  "), std::wstring::npos);
}

TEST_F(Win32PlatformTest, SpecialFoldersAreSeparateExistingFolders) {
    std::wstring desktop, documents, appData;
    ASSERT_TRUE(os.GetSpecialFolder(SpecialFolder::DesktopDirectory, desktop));
    ASSERT_TRUE(os.GetSpecialFolder(SpecialFolder::Documents, documents));
    ASSERT_TRUE(os.GetSpecialFolder(SpecialFolder::LocalAppData, appData));
    for (const std::wstring& folder : {desktop, documents, appData}) {
        EXPECT_TRUE(os.DirectoryExists(folder));
        EXPECT_EQ(folder.find(L'\0'), std::wstring::npos);
    }
    EXPECT_NE(desktop, documents);
    EXPECT_NE(desktop, appData);

    // An id the shell does not know fails and leaves the path alone.
    std::wstring untouched = L"keep";
    EXPECT_FALSE(os.GetSpecialFolder(static_cast<SpecialFolder>(0x7F), untouched));
    EXPECT_EQ(untouched, L"keep");
}

TEST_F(Win32PlatformTest, TempPathEndsWithABackslashAndExists) {
    const std::wstring temp = os.TempPath();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), L'\\');
    EXPECT_EQ(temp.find(L'\0'), std::wstring::npos);
    EXPECT_TRUE(os.DirectoryExists(temp));
}

TEST_F(Win32PlatformTest, UserNameIsTheAccountName) {
    std::wstring name;
    ASSERT_EQ(os.UserName(name), SysError::None);
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.find(L'\0'), std::wstring::npos);

    wchar_t environment[257] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"USERNAME", environment, 257);
    if (length > 0 && length < 257) {
        EXPECT_EQ(name, std::wstring(environment, length));
    }
}

// The debugger's thread-name exception, as any program raises it.
constexpr DWORD kThreadNameException = 0x406D1388;

void RaiseThreadName(const char* name) {
    const ULONG_PTR info[] = {0x1000, reinterpret_cast<ULONG_PTR>(name), static_cast<ULONG_PTR>(-1), 0};
    ::RaiseException(kThreadNameException, 0, 4, info);
}

// Thread-name exceptions that reach the handlers behind the platform's: this one counts them and
// lets the raiser go on. It goes first, ahead of any the runtime brings along (MinGW's thread
// library swallows these exceptions too), so only a handler added later comes before it.
std::atomic<int> namesLetThrough{0};

LONG CALLBACK CountThreadNames(EXCEPTION_POINTERS* pointers) {
    if (pointers->ExceptionRecord->ExceptionCode != kThreadNameException) return EXCEPTION_CONTINUE_SEARCH;
    ++namesLetThrough;
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Without a debugger an unhandled thread-name exception ends the process: the platform catches
// its own raise, on any thread, before any other handler sees it, and only around that raise.
TEST_F(Win32PlatformTest, NamingAThreadCatchesItsOwnRaiseAndNoOther) {
    PVOID counter = ::AddVectoredExceptionHandler(1, CountThreadNames);
    ASSERT_NE(counter, nullptr);
    namesLetThrough = 0;

    os.NameThread("Desktop Files Monitor");
    const int byName = namesLetThrough.load();
    EXPECT_EQ(byName, 0) << "the platform's raise went past its handler";
    RaiseThreadName("raised by another");
    EXPECT_EQ(namesLetThrough.load() - byName, 1) << "the platform's handler stayed installed";

    // On another thread, just the same.
    std::atomic<int> workerByName{-1}, workerByOther{-1};
    std::thread worker([&] {
        const int before = namesLetThrough.load();
        os.NameThread("Desktop Files Monitor");
        workerByName = namesLetThrough.load() - before;
        RaiseThreadName("raised by another");
        workerByOther = namesLetThrough.load() - before - workerByName.load();
    });
    worker.join();
    EXPECT_EQ(workerByName.load(), 0);
    EXPECT_EQ(workerByOther.load(), 1);

    // A second name on the same thread is caught all the same.
    const int before = namesLetThrough.load();
    os.NameThread("again");
    EXPECT_EQ(namesLetThrough.load(), before);
    ::RemoveVectoredExceptionHandler(counter);

    // Posting a paint to the desktop window neither blocks nor disturbs the process.
    os.RefreshDesktop();
}

bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return ::GetHandleInformation(h, &flags) != 0;
}

TEST(UniqueHandle, OneOwnerClosesOnce) {
    unique_handle first(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(first);
    const HANDLE raw = first.get();

    unique_handle second(std::move(first));
    EXPECT_FALSE(first);  // NOLINT(bugprone-use-after-move): the moved-from owner is empty
    EXPECT_EQ(second.get(), raw);
    EXPECT_TRUE(IsOpen(raw));

    unique_handle third;
    third = std::move(second);
    EXPECT_TRUE(IsOpen(raw));

    // Taken back out, it is the caller's to close.
    const HANDLE released = third.release();
    EXPECT_FALSE(third);
    EXPECT_TRUE(IsOpen(released));
    third.reset(released);

    third.reset();
    EXPECT_FALSE(IsOpen(raw));

    // A failed CreateFileW is no handle at all.
    unique_handle failed(::CreateFileW(L"C:\\no such folder\\x", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(failed);
    unique_hfind none(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(none);
}

// A worker thread with a small stack reservation runs its function once, with its argument, on a
// thread of its own.
TEST_F(Win32PlatformTest, StartThreadRunsTheFunctionOnANewThread) {
    struct Seen {
        std::atomic<DWORD> thread{0};
        std::atomic<int> runs{0};
        std::atomic<HANDLE> ended{nullptr};  // the thread itself, to wait for its end
    } seen;
    auto main = [](void* arg) {
        auto* s = static_cast<Seen*>(arg);
        s->thread = GetCurrentThreadId();
        ++s->runs;
        HANDLE self = nullptr;
        ::DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, SYNCHRONIZE, FALSE, 0);
        s->ended = self;
    };
    ASSERT_EQ(os.StartThread(main, &seen, 256 * 1024), SysError::None);
    ASSERT_TRUE(test::WaitFor([&] { return seen.ended.load() != nullptr; }, 10000));
    // Once its thread has ended the function cannot run again.
    unique_handle ended(seen.ended.load());
    EXPECT_EQ(::WaitForSingleObject(ended.get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(seen.runs.load(), 1);
    EXPECT_NE(seen.thread.load(), 0u);
    EXPECT_NE(seen.thread.load(), GetCurrentThreadId());
}

}  // namespace
}  // namespace vantrel

// The Win32 platform against real files and folders in a fresh temporary folder.
#include <windows.h>

#undef MoveFile
#undef DeleteFile
#undef CreateDirectory
#undef ReplaceFile

#include <gtest/gtest.h>

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
    EXPECT_TRUE(os.CreateDirectory(Path(L"new")));
    EXPECT_TRUE(fs::is_directory(root_ / L"new"));

    EXPECT_FALSE(os.CreateDirectory(Path(L"new")));
    EXPECT_EQ(os.LastError(), kErrorAlreadyExists);

    EXPECT_FALSE(os.CreateDirectory(Path(L"a\\b")));
    EXPECT_EQ(os.LastError(), kErrorPathNotFound);
    EXPECT_FALSE(fs::exists(root_ / L"a"));

    Put(Path(L"old.txt"), "old");
    EXPECT_TRUE(os.DeleteFile(Path(L"old.txt")));
    EXPECT_FALSE(fs::exists(root_ / L"old.txt"));

    EXPECT_FALSE(os.DeleteFile(Path(L"old.txt")));
    EXPECT_EQ(os.LastError(), kErrorFileNotFound);
}

TEST_F(Win32PlatformTest, MoveFileMovesAndNeverReplaces) {
    fs::create_directory(root_ / L"target");
    Put(Path(L"report.doc"), AllBytes());

    ASSERT_TRUE(os.MoveFile(Path(L"report.doc"), Path(L"target\\report.doc")));
    EXPECT_FALSE(fs::exists(root_ / L"report.doc"));
    EXPECT_EQ(Get(Path(L"target\\report.doc")), AllBytes());

    // A file of that name already in the target: it stays, and so does the incoming one.
    Put(Path(L"report.doc"), "new");
    EXPECT_FALSE(os.MoveFile(Path(L"report.doc"), Path(L"target\\report.doc")));
    const uint32_t clash = os.LastError();
    EXPECT_TRUE(clash == kErrorAlreadyExists || clash == kErrorFileExists) << clash;
    EXPECT_EQ(Get(Path(L"report.doc")), "new");
    EXPECT_EQ(Get(Path(L"target\\report.doc")), AllBytes());

    // A folder of that name blocks the move just the same.
    fs::create_directory(root_ / L"target" / L"folder.doc");
    Put(Path(L"folder.doc"), "f");
    EXPECT_FALSE(os.MoveFile(Path(L"folder.doc"), Path(L"target\\folder.doc")));
    const uint32_t folderClash = os.LastError();
    EXPECT_TRUE(folderClash == kErrorAlreadyExists || folderClash == kErrorFileExists) << folderClash;

    EXPECT_FALSE(os.MoveFile(Path(L"missing.doc"), Path(L"target\\missing.doc")));
    EXPECT_EQ(os.LastError(), kErrorFileNotFound);
}

TEST_F(Win32PlatformTest, MoveFileOfAFileHeldOpenIsASharingViolationUntilReleased) {
    fs::create_directory(root_ / L"target");
    Put(Path(L"busy.doc"), "busy");

    unique_handle held = HoldExclusively(Path(L"busy.doc"));
    ASSERT_TRUE(held);
    EXPECT_FALSE(os.MoveFile(Path(L"busy.doc"), Path(L"target\\busy.doc")));
    EXPECT_EQ(os.LastError(), kErrorSharingViolation);
    EXPECT_FALSE(os.DeleteFile(Path(L"busy.doc")));
    EXPECT_EQ(os.LastError(), kErrorSharingViolation);
    EXPECT_TRUE(fs::exists(root_ / L"busy.doc"));

    held.reset();
    EXPECT_TRUE(os.MoveFile(Path(L"busy.doc"), Path(L"target\\busy.doc")));
    EXPECT_EQ(Get(Path(L"target\\busy.doc")), "busy");
}

TEST_F(Win32PlatformTest, ShellFolderOperationRenamesAndMovesWholeFolders) {
    fs::create_directories(root_ / L"photos" / L"sub");
    Put(Path(L"photos\\a.jpg"), "a");
    Put(Path(L"photos\\sub\\b.jpg"), AllBytes());
    fs::create_directory(root_ / L"target");

    EXPECT_EQ(os.ShellFolderOperation(Path(L"photos"), Path(L"~dvrename123_photos"), true), 0);
    EXPECT_FALSE(fs::exists(root_ / L"photos"));
    EXPECT_EQ(Get(Path(L"~dvrename123_photos\\a.jpg")), "a");

    EXPECT_EQ(os.ShellFolderOperation(Path(L"~dvrename123_photos"), Path(L"target\\photos"), false), 0);
    EXPECT_FALSE(fs::exists(root_ / L"~dvrename123_photos"));
    EXPECT_EQ(Get(Path(L"target\\photos\\a.jpg")), "a");
    EXPECT_EQ(Get(Path(L"target\\photos\\sub\\b.jpg")), AllBytes());
}

TEST_F(Win32PlatformTest, ShellFolderOperationThatCannotBeDoneFails) {
    // The take step of the folder mover: the folder is gone, or the holding name is taken.
    EXPECT_NE(os.ShellFolderOperation(Path(L"gone"), Path(L"~dvrename1_gone"), true), 0);
    EXPECT_FALSE(fs::exists(root_ / L"~dvrename1_gone"));

    fs::create_directory(root_ / L"photos");
    fs::create_directory(root_ / L"~dvrename2_photos");
    EXPECT_NE(os.ShellFolderOperation(Path(L"photos"), Path(L"~dvrename2_photos"), true), 0);
    EXPECT_TRUE(fs::is_directory(root_ / L"photos"));

    // A move to a target that cannot exist leaves the folder where it was.
    EXPECT_NE(os.ShellFolderOperation(Path(L"photos"), L"Q:\\nowhere\\photos", false), 0);
    EXPECT_TRUE(fs::is_directory(root_ / L"photos"));
}

TEST_F(Win32PlatformTest, WriteFileAndReadFileKeepEveryByte) {
    ASSERT_TRUE(os.WriteFile(Path(L"note.txt"), AllBytes()));
    EXPECT_EQ(Get(Path(L"note.txt")), AllBytes());

    std::string read = "stale";
    ASSERT_TRUE(os.ReadFile(Path(L"note.txt"), read, UINT64_MAX));
    EXPECT_EQ(read, AllBytes());

    // Writing again empties the file first.
    ASSERT_TRUE(os.WriteFile(Path(L"note.txt"), "ab"));
    ASSERT_TRUE(os.ReadFile(Path(L"note.txt"), read, UINT64_MAX));
    EXPECT_EQ(read, "ab");

    ASSERT_TRUE(os.WriteFile(Path(L"empty.txt"), ""));
    ASSERT_TRUE(os.ReadFile(Path(L"empty.txt"), read, 0));
    EXPECT_EQ(read, "");

    EXPECT_FALSE(os.ReadFile(Path(L"missing.txt"), read, UINT64_MAX));
    EXPECT_EQ(os.LastError(), kErrorFileNotFound);
    EXPECT_FALSE(os.WriteFile(Path(L"missing\\note.txt"), "x"));
    EXPECT_EQ(os.LastError(), kErrorPathNotFound);
}

TEST_F(Win32PlatformTest, ReplaceFileCreatesOrReplacesAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(os.ReplaceFile(Path(L"Settings.xml"), "first"));
    EXPECT_EQ(Get(Path(L"Settings.xml")), "first");

    ASSERT_TRUE(os.ReplaceFile(Path(L"Settings.xml"), AllBytes()));
    EXPECT_EQ(Get(Path(L"Settings.xml")), AllBytes());

    ASSERT_TRUE(os.ReplaceFile(Path(L"Settings.xml"), "x"));  // shorter than before: nothing of the old remains
    EXPECT_EQ(Get(Path(L"Settings.xml")), "x");

    EXPECT_EQ(Names(), std::vector<std::wstring>{L"Settings.xml"});

    EXPECT_FALSE(os.ReplaceFile(Path(L"missing\\Settings.xml"), "x"));
    EXPECT_EQ(os.LastError(), kErrorPathNotFound);
}

TEST_F(Win32PlatformTest, ReplaceFileThatCannotTakeThePlaceKeepsTheOldFile) {
    Put(Path(L"Settings.xml"), "good");
    unique_handle held = HoldExclusively(Path(L"Settings.xml"));
    ASSERT_TRUE(held);

    EXPECT_FALSE(os.ReplaceFile(Path(L"Settings.xml"), "new"));
    EXPECT_NE(os.LastError(), 0u);
    held.reset();

    EXPECT_EQ(Get(Path(L"Settings.xml")), "good");
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"Settings.xml"});
}

TEST_F(Win32PlatformTest, LogFileIsCreatedAppendedReadAndTruncated) {
    const std::wstring log = Path(L"Log.txt");
    auto file = os.OpenLogFile(log);
    ASSERT_TRUE(file);
    EXPECT_TRUE(fs::exists(log));
    EXPECT_EQ(fs::file_size(log), 0u);

    ASSERT_TRUE(file->Append("one\r\n", 5));
    ASSERT_TRUE(file->Append("two\r\n", 5));
    std::string all;
    ASSERT_TRUE(file->ReadAll(all));
    EXPECT_EQ(all, "one\r\ntwo\r\n");

    // After a read from the start the next entry still goes to the end.
    ASSERT_TRUE(file->Append("three\r\n", 7));
    ASSERT_TRUE(file->ReadAll(all));
    EXPECT_EQ(all, "one\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(Get(log), "one\r\ntwo\r\nthree\r\n");  // others may read it while it is open

    ASSERT_TRUE(file->Truncate());
    EXPECT_EQ(fs::file_size(log), 0u);
    ASSERT_TRUE(file->ReadAll(all));
    EXPECT_EQ(all, "");
    ASSERT_TRUE(file->Append("cleared\r\n", 9));
    EXPECT_EQ(Get(log), "cleared\r\n");

    // An existing log is opened as it is and appended to.
    file.reset();
    file = os.OpenLogFile(log);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Append(AllBytes().data(), AllBytes().size()));
    EXPECT_EQ(Get(log), "cleared\r\n" + AllBytes());
}

TEST_F(Win32PlatformTest, LogFileOpenWhileAnotherHoldsItForWritingFails) {
    const std::wstring log = Path(L"Log.txt");
    auto first = os.OpenLogFile(log);
    ASSERT_TRUE(first);
    ASSERT_TRUE(first->Append("first\r\n", 7));

    EXPECT_EQ(os.OpenLogFile(log), nullptr);
    EXPECT_EQ(os.LastError(), kErrorSharingViolation);

    first.reset();
    auto again = os.OpenLogFile(log);
    ASSERT_TRUE(again);
    std::string all;
    ASSERT_TRUE(again->ReadAll(all));
    EXPECT_EQ(all, "first\r\n");

    EXPECT_EQ(os.OpenLogFile(Path(L"missing\\Log.txt")), nullptr);
    EXPECT_EQ(os.LastError(), kErrorPathNotFound);
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

TEST_F(Win32PlatformTest, DirectoryChangesReportANewFileByName) {
    fs::create_directory(root_ / L"desktop");
    auto changes = os.OpenDirectoryChanges(Path(L"desktop"));
    ASSERT_TRUE(changes);

    // The watch starts with the first read: keep creating files until the read has returned.
    std::atomic<bool> done{false};
    std::thread creator([&] {
        for (int i = 0; i < 200 && !done.load(); ++i) {
            Put(Path(L"desktop\\new" + std::to_wstring(i) + L".txt"), "n");
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });

    alignas(4) static unsigned char block[0x10000];
    uint32_t bytes = 0;
    const bool ok = changes->Read(block, sizeof(block), bytes);
    done = true;
    creator.join();

    ASSERT_TRUE(ok) << os.LastError();
    ASSERT_GT(bytes, 12u);
    const std::vector<Record> records = Records(block, bytes);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().action, static_cast<uint32_t>(FILE_ACTION_ADDED));
    EXPECT_EQ(records.front().name.rfind(L"new", 0), 0u) << records.front().name.size();
    EXPECT_EQ(records.front().name.substr(records.front().name.size() - 4), L".txt");
}

TEST_F(Win32PlatformTest, DirectoryChangesKeepWatchingBetweenReadsAndCloseWhileWatching) {
    fs::create_directory(root_ / L"desktop");
    auto changes = os.OpenDirectoryChanges(Path(L"desktop"));
    ASSERT_TRUE(changes);

    alignas(4) static unsigned char block[0x10000];
    uint32_t bytes = 0;
    std::atomic<bool> done{false};
    std::thread creator([&] {
        while (!done.load()) {
            Put(Path(L"desktop\\first.txt"), "f");
            fs::remove(root_ / L"desktop" / L"first.txt");
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    const bool first = changes->Read(block, sizeof(block), bytes);
    done = true;
    creator.join();
    ASSERT_TRUE(first) << os.LastError();

    // Names that arrive while nobody is reading are all reported by the reads that follow.
    std::set<std::wstring> missing = {L"late1.txt", L"late2.txt", L"late3.txt"};
    for (const auto& name : missing) Put(Path(L"desktop\\" + name), "l");
    for (int reads = 0; reads < 50 && !missing.empty(); ++reads) {
            ASSERT_TRUE(changes->Read(block, sizeof(block), bytes)) << os.LastError();
            for (const Record& record : Records(block, bytes))
                if (record.action == FILE_ACTION_ADDED) missing.erase(record.name);
    }
    EXPECT_TRUE(missing.empty()) << missing.size();

    // Closed with a read still waiting, and changes still arriving: nothing is written afterwards.
    changes.reset();
    Put(Path(L"desktop\\after.txt"), "a");
    EXPECT_TRUE(fs::exists(root_ / L"desktop" / L"after.txt"));
}

TEST_F(Win32PlatformTest, DirectoryChangesOfAMissingFolderFail) {
    EXPECT_EQ(os.OpenDirectoryChanges(Path(L"missing")), nullptr);
    EXPECT_EQ(os.LastError(), kErrorFileNotFound);
}

TEST_F(Win32PlatformTest, FolderWatchSeesNamesChangeInsideAndTimesOutWhenQuiet) {
    fs::create_directory(root_ / L"photos");
    Put(Path(L"photos\\old.jpg"), "o");
    auto watch = os.WatchFolderTree(Path(L"photos"));
    ASSERT_TRUE(watch);

    EXPECT_EQ(watch->Wait(200), WaitResult::Timeout);

    Put(Path(L"photos\\new.jpg"), "n");
    EXPECT_EQ(watch->Wait(5000), WaitResult::Changed);
    ASSERT_TRUE(watch->Rearm());
    EXPECT_EQ(watch->Wait(300), WaitResult::Timeout);

    // Writing into a file that is already there changes no name.
    Put(Path(L"photos\\old.jpg"), "longer content");
    EXPECT_EQ(watch->Wait(300), WaitResult::Timeout);

    fs::create_directory(root_ / L"photos" / L"sub");
    EXPECT_EQ(watch->Wait(5000), WaitResult::Changed);
    ASSERT_TRUE(watch->Rearm());

    // The whole tree is watched. (Wine 8 watches only subfolders made after the watch started;
    // Windows watches every one.)
    Put(Path(L"photos\\sub\\deep.jpg"), "d");
    EXPECT_EQ(watch->Wait(5000), WaitResult::Changed);
    ASSERT_TRUE(watch->Rearm());

    fs::rename(root_ / L"photos" / L"sub" / L"deep.jpg", root_ / L"photos" / L"sub" / L"renamed.jpg");
    EXPECT_EQ(watch->Wait(5000), WaitResult::Changed);
}

TEST_F(Win32PlatformTest, FolderWatchOfAMissingFolderFails) {
    EXPECT_EQ(os.WatchFolderTree(Path(L"missing")), nullptr);
    const uint32_t code = os.LastError();
    EXPECT_TRUE(code == kErrorFileNotFound || code == kErrorPathNotFound) << code;
}

TEST_F(Win32PlatformTest, ClockSleepAndLastError) {
    const uint32_t before = os.TickCount();
    os.Sleep(300);
    const uint32_t elapsed = os.TickCount() - before;
    EXPECT_GE(elapsed, 250u);  // the tick count moves in steps of up to ~16 ms
    EXPECT_LT(elapsed, 5000u);

    os.SetLastError(1234);
    EXPECT_EQ(os.LastError(), 1234u);
    EXPECT_EQ(::GetLastError(), 1234u);
}

TEST_F(Win32PlatformTest, LowerCaseFoldsUnicodeLetters) {
    std::wstring text = L"REPORT.Doc \u00C4\u00D6\u00DC \u041F\u0420\u0418\u0412\u0415\u0422 123";
    os.LowerCase(text);
    EXPECT_EQ(text, L"report.doc \u00E4\u00F6\u00FC \u043F\u0440\u0438\u0432\u0435\u0442 123");

    std::wstring empty;
    os.LowerCase(empty);
    EXPECT_EQ(empty, L"");
}

TEST_F(Win32PlatformTest, TimeStampIsDateBlankTime) {
    const std::wstring stamp = os.TimeStamp();
    ASSERT_FALSE(stamp.empty());
    EXPECT_EQ(stamp.find(L'\0'), std::wstring::npos);
    EXPECT_TRUE(iswdigit(stamp.front())) << stamp.size();
    EXPECT_NE(stamp.back(), L' ');
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
    ASSERT_TRUE(os.UserName(name));
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.find(L'\0'), std::wstring::npos);

    wchar_t environment[257] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"USERNAME", environment, 257);
    if (length > 0 && length < 257) {
        EXPECT_EQ(name, std::wstring(environment, length));
    }
}

TEST_F(Win32PlatformTest, NamingAThreadAndRefreshingTheDesktopGoOnQuietly) {
    os.NameThread("Desktop Files Monitor");
    std::atomic<int> named{0};
    std::thread worker([&] {
        os.NameThread("Desktop Files Monitor");
        named = 1;
    });
    worker.join();
    EXPECT_EQ(named.load(), 1);

    os.RefreshDesktop();
    os.NameThread("again");  // the handler is gone again, and a second raise is caught all the same
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
    } seen;
    auto main = [](void* arg) {
        auto* s = static_cast<Seen*>(arg);
        s->thread = GetCurrentThreadId();
        ++s->runs;
    };
    ASSERT_TRUE(os.StartThread(main, &seen, 256 * 1024));
    for (int i = 0; i < 500 && seen.runs.load() == 0; ++i)
        Sleep(10);
    Sleep(50);
    EXPECT_EQ(seen.runs.load(), 1);
    EXPECT_NE(seen.thread.load(), 0u);
    EXPECT_NE(seen.thread.load(), GetCurrentThreadId());
}

}  // namespace
}  // namespace vantrel

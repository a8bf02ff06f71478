#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "fakes/FakePlatform.h"
#include "log/Log.h"
#include "platform/Text.h"

namespace vantrel {
namespace {

const std::wstring kLog = L"C:\\Users\\tester\\AppData\\Local\\Vantrel\\Log.txt";
const std::wstring kStamp = L"09.12.2026 10:00:00";
const std::wstring kSeparator = L"===============================";

class LogTest : public ::testing::Test {
  protected:
    LogTest() { os->AddDirectory(L"C:\\Users\\tester\\AppData\\Local\\Vantrel"); }
    std::wstring Content() { return FromUtf16Le(os->Content(kLog)); }
    // A log opened on a file of its own, with the lock in use or not.
    void OpenAnew(TLogger& log, bool useLock) {
        os->Remove(kLog);
        log.SetFileName(kLog);
        log.Open();
        log.SetUseLock(useLock);
    }
    fake::FakeOs os;
};

TEST_F(LogTest, FirstRunHoldsOneStartedEntryInUtf16WithoutByteOrderMark) {
    TLogger log;
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.LogFileName(), L"");
    EXPECT_FALSE(log.UseLock());
    log.SetFileName(kLog);
    EXPECT_FALSE(log.IsOpen());  // naming the file does not open it
    log.Open();
    EXPECT_TRUE(log.IsOpen());
    EXPECT_EQ(log.LogFileName(), kLog);
    EXPECT_EQ(os->Content(kLog), ToUtf16Le(kStamp + L"-> Log started by: tester\r\n"));
    EXPECT_EQ(os->Content(kLog).substr(0, 4), std::string("0\0009\000", 4));
}

TEST_F(LogTest, ASecondRunAppendsAfterTheSeparatorLine) {
    {
        TLogger first;
        first.SetFileName(kLog);
        first.Open();
        first.AddLine(L"File: a.txt moved");
        first.Close();
    }
    os->timeStamp = L"10.12.2026 08:15:00";
    TLogger second;
    second.SetFileName(kLog);
    second.Open();
    EXPECT_EQ(Content(), kStamp + L"-> Log started by: tester\r\n" + kStamp + L"-> File: a.txt moved\r\n" + kStamp +
                             L"-> Log stopped\r\n" + kSeparator + L"\r\n" +
                             L"10.12.2026 08:15:00-> Log started by: tester\r\n");
}

TEST_F(LogTest, TheUserNameStaysUnicodeAndAnUnknownUserIsNamed) {
    os->userName = L"J\u00fcrgen \u65e5\u672c \u0141";
    {
        TLogger log;
        EXPECT_EQ(log.UserName(), L"J\u00fcrgen \u65e5\u672c \u0141");
        log.SetFileName(kLog);
        log.Open();
        log.Clear();
    }
    EXPECT_EQ(Content(), kStamp + L"-> Log cleared by: J\u00fcrgen \u65e5\u672c \u0141\r\n");
    os->userNameFails = true;
    TLogger unknown;
    EXPECT_EQ(unknown.UserName(), L"Unknown user");
}

TEST_F(LogTest, EntriesAreWrittenUnchangedEachInOneWrite) {
    TLogger log;
    log.SetFileName(kLog);
    log.Open();
    int before = os->appendCount();
    log.AddLine(L">> Operation report for 2 files <<\r\nFile: a moved\r\nFile: \u00e9 moved\r\n");
    EXPECT_EQ(os->appendCount(), before + 1);
    EXPECT_EQ(Content(), kStamp + L"-> Log started by: tester\r\n" + kStamp +
                             L"-> >> Operation report for 2 files <<\r\nFile: a moved\r\nFile: \u00e9 moved\r\n\r\n");
    before = os->appendCount();
    log.Close();
    EXPECT_EQ(os->appendCount(), before + 1);  // the stop entry and the separator together
}

TEST_F(LogTest, ClearLeavesOnlyItsEntryAndReadAllReturnsIt) {
    TLogger log;
    log.SetFileName(kLog);
    log.Open();
    log.AddLine(L"one");
    log.AddLine(L"two");
    EXPECT_EQ(log.ReadAll(), Content());
    log.Clear();
    std::wstring cleared = kStamp + L"-> Log cleared by: tester\r\n";
    EXPECT_EQ(Content(), cleared);
    EXPECT_EQ(log.ReadAll(), cleared);
}

// The operation throws TLogFileError with the system's error code.
template <class Operation>
void ExpectLogFileError(Operation operation, SysError code) {
    try {
        operation();
        ADD_FAILURE() << "the failure went unnoticed";
    } catch (const TLogFileError& e) {
        EXPECT_EQ(e.Code(), Number(code));
    }
}

TEST_F(LogTest, AFailedClearOrReadReachesTheCallerAndLeavesTheFileAsItWas) {
    for (bool useLock : {false, true}) {
        TLogger log;
        OpenAnew(log, useLock);
        log.AddLine(L"kept");
        const std::wstring before = Content();

        os->Fail(fake::Fault::Truncate, kLog, kErrorAccessDenied, 1);
        ExpectLogFileError([&] { log.Clear(); }, kErrorAccessDenied);
        EXPECT_EQ(Content(), before);  // no "Log cleared by: " entry either

        os->Fail(fake::Fault::ReadAll, kLog, kErrorSharingViolation, 1);
        ExpectLogFileError([&] { log.ReadAll(); }, kErrorSharingViolation);
        // Nothing stays locked: the log goes on as before.
        log.AddLine(L"after");
        EXPECT_EQ(log.ReadAll(), Content());
        EXPECT_EQ(Content(), before + kStamp + L"-> after\r\n");
    }
}

TEST_F(LogTest, ReadAllThenAddLineAppendsAtTheEnd) {
    TLogger log;
    log.SetFileName(kLog);
    log.Open();
    std::wstring before = log.ReadAll();
    log.AddLine(L"after reading");
    EXPECT_EQ(log.ReadAll(), before + kStamp + L"-> after reading\r\n");
}

TEST_F(LogTest, ReadAllIgnoresAnOddLastByte) {
    os->AddFile(kLog, ToUtf16Le(L"old\r\n") + "x");
    TLogger log;
    log.SetFileName(kLog);
    log.Open();
    EXPECT_EQ(log.ReadAll().substr(0, 5), L"old\r\n");
}

TEST_F(LogTest, SetFileNameWithTheSamePathDoesNothingAndAnotherPathClosesTheLog) {
    TLogger log;
    log.SetFileName(kLog);
    log.Open();
    std::wstring before = Content();
    log.SetFileName(kLog);
    EXPECT_TRUE(log.IsOpen());
    EXPECT_EQ(Content(), before);

    // Names are compared exactly: a path in other case is another path.
    const std::wstring other = L"C:\\Users\\tester\\AppData\\Local\\Vantrel\\LOG.TXT.old";
    log.SetFileName(other);
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.LogFileName(), other);
    EXPECT_EQ(Content(), before + kStamp + L"-> Log stopped\r\n" + kSeparator + L"\r\n");
    EXPECT_FALSE(os->Exists(other));  // not opened
}

TEST_F(LogTest, CloseTwiceAndEverythingAfterCloseDoNothing) {
    TLogger log;
    log.SetFileName(kLog);
    log.Open();
    log.Close();
    std::string closed = os->Content(kLog);
    log.Close();
    log.AddLine(L"late");
    log.Clear();
    EXPECT_EQ(os->Content(kLog), closed);
    EXPECT_EQ(log.ReadAll(), L"Log not opened");
    EXPECT_EQ(log.LogFileName(), kLog);  // still named for the window
    log.Open();                          // no reopening needed by the program, but a closed log may be opened again
    EXPECT_TRUE(log.IsOpen());
}

TEST_F(LogTest, ALogHeldByAnotherProcessLeavesTheLogClosed) {
    os->AddFile(kLog, ToUtf16Le(L"the other run\r\n"));
    os->logHeldByOther = true;
    TLogger log;
    log.SetFileName(kLog);
    log.Open();
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.LogFileName(), L"");
    EXPECT_EQ(log.ReadAll(), L"Log not opened");
    log.AddLine(L"dropped");
    log.Clear();
    log.Close();
    EXPECT_EQ(Content(), L"the other run\r\n");
}

TEST_F(LogTest, AFailedOpenOrStartEntryLeavesTheLogClosedAndUnnamed) {
    {
        TLogger log;
        log.SetFileName(L"C:\\Nowhere\\Log.txt");
        log.Open();
        EXPECT_FALSE(log.IsOpen());
        EXPECT_EQ(log.LogFileName(), L"");
    }
    {
        os->Fail(fake::Fault::Append, kLog, kErrorAccessDenied, 1);
        TLogger log;
        log.SetFileName(kLog);
        log.Open();
        EXPECT_FALSE(log.IsOpen());
        EXPECT_EQ(log.LogFileName(), L"");
    }
    TLogger unnamed;
    unnamed.Open();
    EXPECT_FALSE(unnamed.IsOpen());
}

TEST_F(LogTest, ALostEntryDoesNotStopTheNextOnes) {
    TLogger log;
    log.SetFileName(kLog);
    log.Open();
    os->Fail(fake::Fault::Append, kLog, kErrorDiskFull, 1);  // disk full, once
    log.AddLine(L"lost");
    log.AddLine(L"kept");
    EXPECT_EQ(Content(), kStamp + L"-> Log started by: tester\r\n" + kStamp + L"-> kept\r\n");
    EXPECT_TRUE(log.IsOpen());
}

TEST_F(LogTest, WithTheLockInUseEveryOperationStillWorks) {
    TLogger log;
    log.SetFileName(kLog);
    log.Open();
    log.SetUseLock(true);
    EXPECT_TRUE(log.UseLock());
    log.AddLine(L"locked");
    EXPECT_EQ(log.ReadAll(), Content());
    log.Clear();
    EXPECT_EQ(log.ReadAll(), kStamp + L"-> Log cleared by: tester\r\n");
    log.SetUseLock(true);
    log.SetUseLock(false);
    EXPECT_FALSE(log.UseLock());
    log.Close();
    EXPECT_FALSE(log.IsOpen());
}

// Splits the log into its entries (every one here is a single line) and checks that each thread's
// entries are all there, whole, and in the order the thread wrote them.
void ExpectWholeAndInOrder(const std::wstring& content, int threads, int perThread) {
    std::vector<int> next(threads, 0);
    size_t pos = 0, entries = 0;
    while (pos < content.size()) {
        size_t end = content.find(L"\r\n", pos);
        ASSERT_NE(end, std::wstring::npos) << "an entry without its line end";
        std::wstring line = content.substr(pos, end - pos);
        pos = end + 2;
        if (line == kSeparator || line.find(L"-> Log ") != std::wstring::npos) continue;
        ASSERT_EQ(line.substr(0, kStamp.size() + 3), kStamp + L"-> ") << line;
        // "thread <t> entry <i> ....................", whole and unmixed.
        std::wstring body = line.substr(kStamp.size() + 3);
        size_t entry = body.find(L" entry ");
        ASSERT_EQ(body.compare(0, 7, L"thread "), 0) << line;
        ASSERT_NE(entry, std::wstring::npos) << line;
        int t = std::stoi(body.substr(7, entry - 7));
        int i = std::stoi(body.substr(entry + 7));
        ASSERT_EQ(body, L"thread " + IntToStr(t) + L" entry " + IntToStr(i) + L" ....................")
            << "a split or mixed entry";
        ASSERT_GE(t, 0);
        ASSERT_LT(t, threads);
        ASSERT_EQ(i, next[t]) << "thread " << t << " lost or reordered an entry";
        ++next[t];
        ++entries;
    }
    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(next[t], perThread) << "thread " << t;
    EXPECT_EQ(entries, static_cast<size_t>(threads) * perThread);
}

TEST_F(LogTest, ManyThreadsAppendingAtOnceLoseSplitAndReorderNothing) {
    const int threads = 8, perThread = 1500;
    TLogger log;
    log.SetFileName(kLog);
    log.Open();
    std::atomic<int> done{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&log, &done, t] {
            for (int i = 0; i < perThread; ++i)
                log.AddLine(L"thread " + IntToStr(t) + L" entry " + IntToStr(i) + L" ....................");
            ++done;
        });
    }
    // The main window meanwhile shows and hides itself and reads the log.
    bool lock = false;
    while (done.load() < threads) {
        lock = !lock;
        log.SetUseLock(lock);
        std::wstring text = log.ReadAll();
        EXPECT_TRUE(text.empty() || text.substr(text.size() - 2) == L"\r\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (auto& w : workers)
        w.join();
    log.Close();
    std::wstring content = Content();
    ExpectWholeAndInOrder(content, threads, perThread);
    EXPECT_EQ(content.substr(content.size() - kSeparator.size() - 2), kSeparator + L"\r\n");
}

TEST_F(LogTest, NothingIsWrittenAfterCloseWhileThreadsKeepAppending) {
    for (bool useLock : {false, true}) {
        TLogger log;
        OpenAnew(log, useLock);
        std::atomic<bool> stop{false};
        std::atomic<int> started{0};
        std::atomic<long> calls{0};
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t) {
            workers.emplace_back([&, t] {
                ++started;
                for (int i = 0; !stop.load(); ++i) {
                    log.AddLine(L"thread " + IntToStr(t) + L" entry " + IntToStr(i) + L" ....................");
                    ++calls;
                }
            });
        }
        while (started.load() < 4)
            std::this_thread::yield();
        while (os->appendCount() < 200)
            std::this_thread::yield();
        log.Close();
        std::string closed = os->Content(kLog);
        for (long after = calls.load() + 400; calls.load() < after;)  // the threads go on after the close
            std::this_thread::yield();
        stop = true;
        for (auto& w : workers)
            w.join();
        EXPECT_EQ(os->Content(kLog), closed);
        std::wstring content = FromUtf16Le(closed);
        EXPECT_EQ(content.substr(content.size() - kSeparator.size() - 2), kSeparator + L"\r\n");
    }
}

}  // namespace
}  // namespace vantrel

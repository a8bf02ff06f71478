// The moving engine end to end: the real monitor, batches and folder movers on real folders,
// with the settings object read from the real settings file and the real log file.
//
// Each test gets a desktop and a target folder of its own: the shell's desktop directory is
// redirected to a fresh folder, and the settings file and the log are removed first, so the
// settings object starts from its defaults and a new log.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <regex>
#include <thread>

#include "E2eSupport.h"
#include "engine/ThreadReports.h"
#include "platform/Platform.h"

namespace vantrel::e2e {
namespace {

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Every name change in a folder, recorded by a watch of our own beside the engine's.
class ChangeRecorder {
  public:
    struct Change {
        DWORD action;
        std::wstring name;
    };

    explicit ChangeRecorder(const std::wstring& folder) {
        dir_ = CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (dir_ != INVALID_HANDLE_VALUE) thread_ = std::thread([this] { Run(); });
    }
    ~ChangeRecorder() {
        SetEvent(stop_);
        if (thread_.joinable()) thread_.join();
        if (dir_ != INVALID_HANDLE_VALUE) CloseHandle(dir_);
        CloseHandle(stop_);
    }
    ChangeRecorder(const ChangeRecorder&) = delete;
    ChangeRecorder& operator=(const ChangeRecorder&) = delete;

    bool Watching() const { return dir_ != INVALID_HANDLE_VALUE; }

    std::vector<Change> Changes() {
        std::lock_guard<std::mutex> guard(mutex_);
        return changes_;
    }

  private:
    void Run() {
        std::vector<DWORD> buffer(16384);
        OVERLAPPED ov{};
        ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        for (;;) {
            ResetEvent(ov.hEvent);
            if (!ReadDirectoryChangesW(dir_, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(DWORD)), FALSE,
                                       FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, nullptr, &ov,
                                       nullptr))
                break;
            HANDLE waits[] = {ov.hEvent, stop_};
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                CancelIo(dir_);
                DWORD ignored = 0;
                GetOverlappedResult(dir_, &ov, &ignored, TRUE);
                break;
            }
            DWORD bytes = 0;
            if (!GetOverlappedResult(dir_, &ov, &bytes, FALSE)) continue;
            const char* base = reinterpret_cast<const char*>(buffer.data());
            for (DWORD at = 0; bytes > 0 && at + 12 <= bytes;) {
                // Records need not be aligned under Wine: copy the fields out.
                DWORD next = 0, action = 0, length = 0;
                memcpy(&next, base + at, 4);
                memcpy(&action, base + at + 4, 4);
                memcpy(&length, base + at + 8, 4);
                std::wstring name(length / 2, L'\0');
                memcpy(name.data(), base + at + 12, length / 2 * 2);
                {
                    std::lock_guard<std::mutex> guard(mutex_);
                    changes_.push_back({action, name});
                }
                if (next == 0) break;
                at += next;
            }
        }
        CloseHandle(ov.hEvent);
    }

    HANDLE dir_ = INVALID_HANDLE_VALUE;
    HANDLE stop_ = nullptr;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<Change> changes_;
};

std::wstring Widen(const char* text) {
    std::wstring out;
    for (; *text; ++text)
        out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return out;
}

class EngineE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        std::wstring name = Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
        desktop_ = FreshFolder(name + L"-Desktop");
        target_ = FreshFolder(name + L"-Target");
        redirect_ = std::make_unique<DesktopRedirect>(desktop_);
        ForgetSettingsAndLog();
    }

    void TearDown() override {
        if (monitor_ && !monitor_->Stop()) {
            ADD_FAILURE() << "the engine's workers did not end";
            // Still running threads hold pointers to both: leave them alive.
            (void)monitor_.release();
            (void)options_.release();
        }
        monitor_.reset();
        options_.reset();
        redirect_.reset();
        RemoveTree(desktop_);
        RemoveTree(target_);
    }

    // The settings object as the program builds it, with this test's target and no masks
    // unless the test sets some.
    void MakeOptions(const std::function<void(TOptions&)>& configure = {}) {
        options_ = std::make_unique<TOptions>();
        ASSERT_EQ(desktop_, options_->DesktopFolder());
        options_->SetDestinationFolder(target_);
        options_->SetExcludedExt({});
        options_->SetExcludedFiles({});
        if (configure) configure(*options_);
    }

    void Start(const std::function<void(TOptions&)>& configure = {}) {
        MakeOptions(configure);
        monitor_ = std::make_unique<MonitorRun>(*options_);
        ASSERT_NE(0u, monitor_->ThreadId());
    }

    std::wstring Log() const { return ReadLog(ProgramDataFolder() + L"Log.txt"); }

    bool LogHas(const std::wstring& piece, uint32_t timeoutMs = 10000) const {
        return WaitFor([&] { return Log().find(piece) != std::wstring::npos; }, timeoutMs);
    }

    std::wstring desktop_, target_;
    std::unique_ptr<DesktopRedirect> redirect_;
    std::unique_ptr<TOptions> options_;
    std::unique_ptr<MonitorRun> monitor_;
};

TEST_F(EngineE2e, NewFileArrivesUnderItsLowerCaseNameAndTheReportIsLogged) {
    Start([](TOptions& o) { o.SetExcludedExt({L"*.tmp"}); });

    ASSERT_TRUE(WriteNewFile(desktop_ + L"Draft.TMP", "kept"));
    ASSERT_TRUE(WriteNewFile(desktop_ + L"Quarterly Report.DOC", "figures"));

    ASSERT_TRUE(WaitFor([&] { return IsFile(target_ + L"quarterly report.doc"); }, 10000));
    ASSERT_TRUE(LogHas(L"quarterly report.doc moved"));
    EXPECT_EQ(std::vector<std::wstring>{L"quarterly report.doc"}, ListNames(target_));
    EXPECT_EQ("figures", FileBytes(target_ + L"quarterly report.doc"));
    EXPECT_EQ(std::vector<std::wstring>{L"Draft.TMP"}, ListNames(desktop_));

    std::wstring log = Log();
    EXPECT_NE(std::wstring::npos,
              log.find(L"-> >> Operation report for 1 files <<\r\nFile: quarterly report.doc moved\r\n\r\n"))
        << log;
    EXPECT_EQ(1u, CountOf(log, L">> Operation report"));
    EXPECT_EQ(0u, CountOf(log, L"draft"));
}

TEST_F(EngineE2e, NamesBeyondAsciiAreLowerCasedByTheSystem) {
    Start();

    ASSERT_TRUE(WriteNewFile(desktop_ + L"\u00c4RGER \u00dcBER \u0411\u042e\u0414\u0416\u0415\u0422.TXT", "u"));
    const std::wstring lower = L"\u00e4rger \u00fcber \u0431\u044e\u0434\u0436\u0435\u0442.txt";
    ASSERT_TRUE(WaitFor([&] { return IsFile(target_ + lower); }, 10000));
    EXPECT_EQ(std::vector<std::wstring>{lower}, ListNames(target_));
    EXPECT_TRUE(LogHas(L"File: " + lower + L" moved\r\n\r\n"));
}

TEST_F(EngineE2e, WhilePausedNewItemsStayAndAreNotTakenUpLater) {
    Start();
    options_->Paused = true;
    ASSERT_TRUE(WriteNewFile(desktop_ + L"during pause.txt", "p"));
    Sleep(700);
    options_->Paused = false;
    ASSERT_TRUE(WriteNewFile(desktop_ + L"after pause.txt", "a"));

    ASSERT_TRUE(WaitFor([&] { return IsFile(target_ + L"after pause.txt"); }, 10000));
    ASSERT_TRUE(LogHas(L"after pause.txt moved"));
    EXPECT_TRUE(IsFile(desktop_ + L"during pause.txt"));
    EXPECT_EQ(1u, CountOf(Log(), L">> Operation report"));
}

TEST_F(EngineE2e, ClashIsRenamedAsideWithTheTickCountOrDeleted) {
    Start([](TOptions& o) { o.SetRenameFile(true); });

    ASSERT_TRUE(WriteNewFile(target_ + L"notes.txt", "old"));
    const uint32_t before = GetTickCount();
    ASSERT_TRUE(WriteNewFile(desktop_ + L"Notes.txt", "new"));
    ASSERT_TRUE(LogHas(L"File: notes.txt moved"));
    const uint32_t after = GetTickCount();

    std::wstring aside;
    int32_t tick = 0;
    std::wsmatch m;
    const std::wregex asideName(L"Rename(-?[0-9]+)_notes\\.txt");
    for (const auto& name : ListNames(target_)) {
        if (std::regex_match(name, m, asideName)) {
            aside = name;
            tick = static_cast<int32_t>(std::stoll(m[1].str()));
        }
    }
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(2u, ListNames(target_).size());
    // The tick count of the clash, read between the file's creation and its arrival.
    EXPECT_LE(static_cast<uint32_t>(tick) - before, after - before);
    EXPECT_EQ("old", FileBytes(target_ + aside));
    EXPECT_EQ("new", FileBytes(target_ + L"notes.txt"));
    EXPECT_NE(std::wstring::npos,
              Log().find(L"-> >> Operation report for 1 files <<\r\nFile: " + target_ + L"notes.txt renamed to: " +
                         target_ + aside + L"\r\nFile: notes.txt moved\r\n\r\n"))
        << Log();

    // Without RenameFile the file in the way is deleted; the setting is read when used.
    options_->SetRenameFile(false);
    ASSERT_TRUE(WriteNewFile(target_ + L"memo.txt", "old"));
    ASSERT_TRUE(WriteNewFile(desktop_ + L"memo.txt", "new"));
    ASSERT_TRUE(LogHas(L"File: memo.txt moved"));
    EXPECT_EQ("new", FileBytes(target_ + L"memo.txt"));
    EXPECT_EQ(3u, ListNames(target_).size());
    EXPECT_NE(std::wstring::npos, Log().find(L"-> >> Operation report for 1 files <<\r\nFile: " + target_ +
                                             L"memo.txt deleted.\r\nFile: memo.txt moved\r\n\r\n"))
        << Log();
}

TEST_F(EngineE2e, FileHeldOpenIsMovedAtTheFourthAttempt) {
    Start([](TOptions& o) {
        o.SetTryToMove(true);
        o.SetTryCount(3);
    });

    // Opened without sharing, as an editor holds a file while saving it, for 2.5 s.
    HANDLE held = CreateFileW((desktop_ + L"Locked.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const double created = NowMs();
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    DWORD written = 0;
    WriteFile(held, "data", 4, &written, nullptr);
    Sleep(static_cast<DWORD>(std::max(0.0, created + 2500 - NowMs())));
    CloseHandle(held);

    ASSERT_TRUE(WaitFor([&] { return IsFile(target_ + L"locked.txt"); }, 10000, 5));
    const double arrived = NowMs() - created;
    // Attempts at 0, 1, 2 and 3 s: the fourth is the first after the file was let go.
    EXPECT_GE(arrived, 2900.0);
    EXPECT_LT(arrived, 3900.0);
    EXPECT_EQ("data", FileBytes(target_ + L"locked.txt"));

    ASSERT_TRUE(LogHas(L"locked.txt moved"));
    std::wstring log = Log();
    EXPECT_NE(std::wstring::npos, log.find(L"-> >> Operation report for 1 files <<\r\nFile: locked.txt moved\r\n\r\n"))
        << log;
    EXPECT_EQ(1u, CountOf(log, L"moved"));
    EXPECT_EQ(0u, CountOf(log, L"not moved"));
}

TEST_F(EngineE2e, NewFolderIsMovedAfterAQuietPeriodAndItsHoldingNameIsNoNewItem) {
    constexpr int kDelay = 1500;
    // MoveRenamed on: the holding rename would be taken up as a new item if the marker did not stop it.
    Start([](TOptions& o) {
        o.SetMoveFolder(true);
        o.SetMoveFolderDelay(kDelay);
        o.SetMoveRenamed(true);
    });
    ChangeRecorder recorder(desktop_);
    ASSERT_TRUE(recorder.Watching());

    const std::wstring folder = desktop_ + L"Holiday Photos\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteNewFile(folder + L"beach.jpg", "1"));
    double lastChange = NowMs();
    // Something new inside every 500 ms for 2 s: each change restarts the quiet period. The
    // subfolder is made while the mover already watches: Wine sees no changes inside subfolders
    // that existed before the watch began.
    for (int i = 0; i < 4; ++i) {
        Sleep(500);
        ASSERT_TRUE(IsFolder(folder)) << "taken while still changing, after " << i << " changes";
        if (i == 1) {
            ASSERT_TRUE(CreateDirectoryW((folder + L"day 2").c_str(), nullptr));
        } else {
            std::wstring inner = (i == 3 ? folder + L"day 2\\" : folder) + L"shot" + std::to_wstring(i) + L".jpg";
            ASSERT_TRUE(WriteNewFile(inner, "x"));
        }
        lastChange = NowMs();
    }

    ASSERT_TRUE(WaitFor([&] { return IsFolder(target_ + L"holiday photos") && !IsFolder(folder); }, 15000, 10));
    const double quiet = NowMs() - lastChange;
    EXPECT_GE(quiet, kDelay - 100.0);
    EXPECT_TRUE(IsFile(target_ + L"holiday photos\\beach.jpg"));
    EXPECT_TRUE(IsFile(target_ + L"holiday photos\\shot2.jpg"));
    EXPECT_TRUE(IsFile(target_ + L"holiday photos\\day 2\\shot3.jpg"));
    EXPECT_TRUE(ListNames(desktop_).empty());

    ASSERT_TRUE(LogHas(L"Folder: holiday photos moved"));
    // Give a batch for the holding name time to show itself, were one started.
    Sleep(500);
    std::wstring log = Log();
    EXPECT_NE(std::wstring::npos,
              log.find(L"-> >> Operation report for 1 files <<\r\nFolder: holiday photos movement initialized\r\n\r\n"))
        << log;
    EXPECT_NE(std::wstring::npos, log.find(L"-> Folder: holiday photos moved\r\n\r\n")) << log;
    EXPECT_EQ(1u, CountOf(log, L">> Operation report"));
    EXPECT_EQ(0u, CountOf(log, L"~dvrename"));

    // The folder really did pass through its holding name on the desktop.
    bool held = false;
    for (const auto& c : recorder.Changes()) {
        const std::wstring suffix = L"_holiday photos";
        if (c.name.rfind(L"~dvrename", 0) == 0 && c.name.size() > suffix.size() &&
            c.name.compare(c.name.size() - suffix.size(), suffix.size(), suffix) == 0)
            held = true;
    }
    EXPECT_TRUE(held);
}

TEST_F(EngineE2e, BurstTooLargeForTheBufferIsLoggedAndMonitoringGoesOn) {
    Start();

    // A busy machine can keep the monitor off the processor between two reads; here it is
    // held up on purpose while 400 long names (some 170 KB of records) arrive.
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, monitor_->ThreadId());
    ASSERT_NE(nullptr, thread);
    Sleep(200);
    ASSERT_NE(static_cast<DWORD>(-1), SuspendThread(thread));
    const std::wstring stem(200, L'b');
    for (int i = 0; i < 400; ++i)
        WriteNewFile(desktop_ + stem + std::to_wstring(i) + L".txt", "");
    ResumeThread(thread);
    CloseHandle(thread);

    ASSERT_TRUE(LogHas(L"-> Byte return error. Error code: ")) << Log();
    std::wstring log = Log();
    std::wsmatch m;
    ASSERT_TRUE(std::regex_search(log, m, std::wregex(L"Byte return error\\. Error code: (-?[0-9]+)\r\n")));
    // Wine reports the overflow as a failed call with ERROR_NOTIFY_ENUM_DIR.
    if (UnderWine()) {
        EXPECT_EQ(L"1022", m[1].str());
    }

    // The monitor goes on: the next new file is moved.
    ASSERT_TRUE(WriteNewFile(desktop_ + L"After.txt", "x"));
    EXPECT_TRUE(WaitFor([&] { return IsFile(target_ + L"after.txt"); }, 10000));
    EXPECT_TRUE(monitor_->ThreadAlive());
    EXPECT_EQ(0u, CountOf(Log(), L"Read directory change error"));
}

TEST_F(EngineE2e, MissingDesktopDirectoryWritesOneLineAndNothingIsMonitored) {
    MakeOptions();
    ASSERT_FALSE(HasFatalFailure());
    RemoveTree(desktop_);
    ASSERT_FALSE(IsFolder(desktop_));

    monitor_ = std::make_unique<MonitorRun>(*options_);
    EXPECT_TRUE(TThread::WaitForIdle(5000)) << "the monitor should end at once";

    std::wstring log = Log();
    EXPECT_EQ(1u, CountOf(log, L"-> Can not open Desktop Folder for monitoring. Error code: ")) << log;
    std::wsmatch m;
    ASSERT_TRUE(std::regex_search(
        log, m, std::wregex(L"Can not open Desktop Folder for monitoring\\. Error code: ([0-9]+)\r\n")));
    EXPECT_TRUE(m[1].str() == L"2" || m[1].str() == L"3") << m[1].str();

    // Nothing watches the folder once it is back.
    ASSERT_TRUE(CreateDirectoryW(desktop_.c_str(), nullptr));
    ASSERT_TRUE(WriteNewFile(desktop_ + L"late.txt", "x"));
    Sleep(1500);
    EXPECT_TRUE(IsFile(desktop_ + L"late.txt"));
    EXPECT_EQ(0u, CountOf(Log(), L"Operation report"));
}

// The small program that runs the monitor outside any window, in a process of its own.
TEST_F(EngineE2e, ProbeRunsTheMonitorUntilItsStopFileAppears) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring probe = self;
    probe = probe.substr(0, probe.find_last_of(L"\\/") + 1) + L"engine_probe.exe";
    ASSERT_TRUE(IsFile(probe)) << "engine_probe.exe beside the test program";
    const std::wstring control = FreshFolder(L"probe-control");
    const std::wstring ready = control + L"ready", stop = control + L"stop";

    // No backslash before a closing quote: it would escape the quote.
    const std::wstring destination = target_.substr(0, target_.size() - 1);
    std::wstring command = L"\"" + probe + L"\" --destination \"" + destination + L"\" --excluded-ext \"*.tmp\"" +
                           L" --ready-file \"" + ready + L"\" --stop-file \"" + stop + L"\" --timeout 60";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(probe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);
    struct Ending {
        HANDLE process;
        ~Ending() {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
            CloseHandle(process);
        }
    } ending{pi.hProcess};

    ASSERT_TRUE(WaitFor([&] { return IsFile(ready); }, 15000));
    ASSERT_TRUE(WriteNewFile(desktop_ + L"From Probe.txt", "p"));
    ASSERT_TRUE(WriteNewFile(desktop_ + L"skip.tmp", "t"));
    EXPECT_TRUE(WaitFor([&] { return IsFile(target_ + L"from probe.txt"); }, 10000));
    EXPECT_TRUE(LogHas(L"File: from probe.txt moved\r\n\r\n"));

    ASSERT_TRUE(WriteNewFile(stop, ""));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 15000)) << "the probe did not stop";
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(0u, code);

    std::wstring log = Log();
    const std::wstring stopped = L"-> Log stopped\r\n===============================\r\n";
    ASSERT_GE(log.size(), stopped.size());
    EXPECT_EQ(stopped, log.substr(log.size() - stopped.size())) << log;
    EXPECT_TRUE(IsFile(desktop_ + L"skip.tmp"));
    RemoveTree(control);
}

// The real platform, except that thread starts are refused until a moment of the test's choosing,
// as a system out of address space or memory refuses them.
class RefusingPlatform final : public Platform {
  public:
    explicit RefusingPlatform(Platform& real) : real_(real) {}
    void RefuseUntil(double nowMs) { refuseUntil_ = nowMs; }
    int Refused() const { return refused_; }

    bool StartThread(ThreadMain main, void* arg, uint32_t stackBytes) override {
        if (NowMs() < refuseUntil_.load()) {
            ++refused_;
            ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        return real_.StartThread(main, arg, stackBytes);
    }
    bool FileExists(const std::wstring& p) override { return real_.FileExists(p); }
    bool DirectoryExists(const std::wstring& p) override { return real_.DirectoryExists(p); }
    bool MoveFile(const std::wstring& f, const std::wstring& t) override { return real_.MoveFile(f, t); }
    bool DeleteFile(const std::wstring& p) override { return real_.DeleteFile(p); }
    bool CreateDirectory(const std::wstring& p) override { return real_.CreateDirectory(p); }
    int ShellFolderOperation(const std::wstring& f, const std::wstring& t, bool r) override {
        return real_.ShellFolderOperation(f, t, r);
    }
    bool ReadFile(const std::wstring& p, std::string& b, uint64_t m) override { return real_.ReadFile(p, b, m); }
    bool WriteFile(const std::wstring& p, const std::string& b) override { return real_.WriteFile(p, b); }
    bool ReplaceFile(const std::wstring& p, const std::string& b) override { return real_.ReplaceFile(p, b); }
    std::unique_ptr<OpenFile> OpenLogFile(const std::wstring& p) override { return real_.OpenLogFile(p); }
    std::unique_ptr<DirectoryChanges> OpenDirectoryChanges(const std::wstring& p) override {
        return real_.OpenDirectoryChanges(p);
    }
    std::unique_ptr<FolderWatch> WatchFolderTree(const std::wstring& p) override { return real_.WatchFolderTree(p); }
    uint32_t TickCount() override { return real_.TickCount(); }
    void Sleep(uint32_t ms) override { real_.Sleep(ms); }
    uint32_t LastError() override { return real_.LastError(); }
    void SetLastError(uint32_t code) override { real_.SetLastError(code); }
    void LowerCase(std::wstring& text) override { real_.LowerCase(text); }
    std::wstring TimeStamp() override { return real_.TimeStamp(); }
    bool GetSpecialFolder(SpecialFolder f, std::wstring& p) override { return real_.GetSpecialFolder(f, p); }
    std::wstring TempPath() override { return real_.TempPath(); }
    bool UserName(std::wstring& name) override { return real_.UserName(name); }
    void NameThread(const char* name) override { real_.NameThread(name); }
    void RefreshDesktop() override { real_.RefreshDesktop(); }

  private:
    Platform& real_;
    std::atomic<double> refuseUntil_{0};
    std::atomic<int> refused_{0};
};

// Thread starts refused for a while: the files that arrive meanwhile wait and are moved once a
// thread can be made again, nothing is lost, monitoring goes on, and the log says once why work
// waited. The files and threads are the system's own.
TEST_F(EngineE2e, ThreadStartsRefusedForAWhileLoseNoItemAndMonitoringGoesOn) {
    RefusingPlatform refusing(Os());
    SetPlatform(&refusing);
    struct Restore {
        ~Restore() {
            TThread::SetIdleTimeout(5000);
            ReportThreadsTo(nullptr);
            SetPlatform(nullptr);
        }
    } restore;
    // No idle worker is left to take the work: each batch needs a new thread.
    TThread::SetIdleTimeout(1);
    ASSERT_TRUE(WaitFor([] { return TThread::Workers() == 0; }, 10000));
    Start();
    ReportThreadsTo(options_.get());

    refusing.RefuseUntil(NowMs() + 1500);
    ASSERT_TRUE(WriteNewFile(desktop_ + L"During 1.txt", "one"));
    Sleep(400);
    ASSERT_TRUE(WriteNewFile(desktop_ + L"During 2.txt", "two"));
    ASSERT_TRUE(WaitFor([&] { return IsFile(target_ + L"during 1.txt") && IsFile(target_ + L"during 2.txt"); }, 15000));
    ASSERT_TRUE(WriteNewFile(desktop_ + L"After.txt", "three"));
    ASSERT_TRUE(WaitFor([&] { return IsFile(target_ + L"after.txt"); }, 10000));

    EXPECT_GT(refusing.Refused(), 0);
    EXPECT_EQ("one", FileBytes(target_ + L"during 1.txt"));
    EXPECT_EQ("two", FileBytes(target_ + L"during 2.txt"));
    EXPECT_TRUE(ListNames(desktop_).empty());
    ASSERT_TRUE(LogHas(L"File: after.txt moved"));
    std::wstring log = Log();
    EXPECT_EQ(1u, CountOf(log, L"Can not start a worker thread; new work waits until one starts. Error code: 8\r\n"))
        << log;
    EXPECT_EQ(3u, CountOf(log, L" moved\r\n")) << log;
}

// The user's own settings file and log are put back after the run.
class ProgramFilesEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { keep_ = std::make_unique<KeepProgramFiles>(); }
    void TearDown() override { keep_.reset(); }

  private:
    std::unique_ptr<KeepProgramFiles> keep_;
};

const auto* const kProgramFiles = ::testing::AddGlobalTestEnvironment(new ProgramFilesEnvironment);

}  // namespace
}  // namespace vantrel::e2e

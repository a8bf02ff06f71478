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

// How long a test waits for something the engine is to do. Only a fault takes this long: a loaded
// machine takes seconds at most.
constexpr uint32_t kLongMs = 30000;

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
        if (dir_ != INVALID_HANDLE_VALUE) {
            thread_ = std::thread([this] { Run(); });
            // Changes count from the first read on (under Wine the watch starts with it).
            WaitFor([&] { return armed_.load() || ended_.load(); }, kLongMs);
        }
    }
    ~ChangeRecorder() {
        SetEvent(stop_);
        if (thread_.joinable()) thread_.join();
        if (dir_ != INVALID_HANDLE_VALUE) CloseHandle(dir_);
        CloseHandle(stop_);
    }
    ChangeRecorder(const ChangeRecorder&) = delete;
    ChangeRecorder& operator=(const ChangeRecorder&) = delete;

    bool Watching() const { return dir_ != INVALID_HANDLE_VALUE && armed_.load() && !ended_.load(); }

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
            armed_ = true;
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
        ended_ = true;
    }

    HANDLE dir_ = INVALID_HANDLE_VALUE;
    HANDLE stop_ = nullptr;
    std::atomic<bool> armed_{false};
    std::atomic<bool> ended_{false};
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

// The real platform with a journal of the calls that move files, rename folders and watch
// folders, each with the time it began, and a word to the test after every file move, before the
// engine goes on.
class JournalPlatform final : public ForwardingPlatform {
  public:
    struct Call {
        std::wstring from, to;
        double startMs;
        bool ok;
    };

    using ForwardingPlatform::ForwardingPlatform;

    // Set before the engine starts; called on the engine's thread after every MoveFile.
    std::function<void(const std::wstring& from, bool ok)> afterMove;

    SysError MoveFile(const std::wstring& from, const std::wstring& to) override {
        const double start = NowMs();
        const SysError code = real_.MoveFile(from, to);
        const bool ok = code == SysError::None;
        Add(moves_, {from, to, start, ok});
        if (afterMove) afterMove(from, ok);
        return code;
    }

    ShellResult ShellFolderOperation(const std::wstring& from, const std::wstring& to, bool rename) override {
        const double start = NowMs();
        const ShellResult result = real_.ShellFolderOperation(from, to, rename);
        if (rename) Add(renames_, {from, to, start, result == ShellResult::Success});
        return result;
    }

    SysError WatchFolderTree(const std::wstring& path, std::unique_ptr<FolderWatch>& watch) override {
        const SysError code = real_.WatchFolderTree(path, watch);
        // Noted once the watch is on: from here on it sees every change inside.
        Add(watches_, {path, L"", NowMs(), code == SysError::None});
        return code;
    }

    // The file moves from one path, in the order they began.
    std::vector<Call> MovesFrom(const std::wstring& from) const {
        std::vector<Call> found;
        for (const auto& call : Get(moves_))
            if (call.from == from) found.push_back(call);
        return found;
    }
    std::vector<Call> Renames() const { return Get(renames_); }
    std::vector<Call> Watches() const { return Get(watches_); }

  private:
    void Add(std::vector<Call>& list, Call call) {
        std::lock_guard<std::mutex> guard(mutex_);
        list.push_back(std::move(call));
    }
    std::vector<Call> Get(const std::vector<Call>& list) const {
        std::lock_guard<std::mutex> guard(mutex_);
        return list;
    }

    mutable std::mutex mutex_;
    std::vector<Call> moves_, renames_, watches_;
};

// The real platform, except that thread starts are refused while the test says so, as a system
// out of address space or memory refuses them.
class RefusingPlatform final : public ForwardingPlatform {
  public:
    using ForwardingPlatform::ForwardingPlatform;
    void Refuse(bool refuse) { refuse_ = refuse; }
    int Refused() const { return refused_; }

    SysError StartThread(ThreadMain main, void* arg, uint32_t stackBytes) override {
        if (refuse_.load()) {
            ++refused_;
            return kErrorNotEnoughMemory;
        }
        return real_.StartThread(main, arg, stackBytes);
    }

  private:
    std::atomic<bool> refuse_{false};
    std::atomic<int> refused_{0};
};

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
        const bool stopped = !monitor_ || monitor_->Stop();
        if (!stopped) {
            ADD_FAILURE() << "the engine's workers did not end";
            // Still running threads hold pointers to all three: leave them alive.
            (void)monitor_.release();
            (void)options_.release();
            (void)platform_.release();
        }
        monitor_.reset();
        options_.reset();
        if (platform_ || !stopped) SetPlatform(nullptr);
        platform_.reset();
        redirect_.reset();
        RemoveTree(desktop_);
        RemoveTree(target_);
    }

    // Puts a platform of type P in front of the real one for the rest of the test; before Start.
    template <class P>
    P& Install() {
        auto platform = std::make_unique<P>(Os());
        P& installed = *platform;
        platform_ = std::move(platform);
        SetPlatform(&installed);
        return installed;
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

    // Starts the monitor and returns once it watches the desktop.
    void Start(const std::function<void(TOptions&)>& configure = {}) {
        MakeOptions(configure);
        monitor_ = std::make_unique<MonitorRun>(*options_);
        ASSERT_NE(0u, monitor_->ThreadId());
        ASSERT_TRUE(monitor_->Ready()) << "the monitor never took up a change on the desktop";
    }

    std::wstring Log() const { return ReadLog(ProgramDataFolder() + L"Log.txt"); }

    bool LogHas(const std::wstring& piece, uint32_t timeoutMs = kLongMs) const {
        return WaitFor([&] { return Log().find(piece) != std::wstring::npos; }, timeoutMs);
    }

    std::wstring desktop_, target_;
    std::unique_ptr<DesktopRedirect> redirect_;
    std::unique_ptr<Platform> platform_;
    std::unique_ptr<TOptions> options_;
    std::unique_ptr<MonitorRun> monitor_;
};

TEST_F(EngineE2e, NewFileArrivesUnderItsLowerCaseNameAndTheReportIsLogged) {
    Start([](TOptions& o) { o.SetExcludedExt({L"*.tmp"}); });

    ASSERT_TRUE(WriteNewFile(desktop_ + L"Draft.TMP", "kept"));
    ASSERT_TRUE(WriteNewFile(desktop_ + L"Quarterly Report.DOC", "figures"));

    ASSERT_TRUE(WaitFor([&] { return IsFile(target_ + L"quarterly report.doc"); }, kLongMs));
    ASSERT_TRUE(LogHas(L"quarterly report.doc moved"));
    // The draft has had its chance: its batch has ended too.
    ASSERT_TRUE(monitor_->Settle());
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
    ASSERT_TRUE(WaitFor([&] { return IsFile(target_ + lower); }, kLongMs));
    EXPECT_EQ(std::vector<std::wstring>{lower}, ListNames(target_));
    EXPECT_TRUE(LogHas(L"File: " + lower + L" moved\r\n\r\n"));
}

TEST_F(EngineE2e, WhilePausedNewItemsStayAndAreNotTakenUpLater) {
    Start();
    options_->Paused = true;
    ASSERT_TRUE(WriteNewFile(desktop_ + L"during pause.txt", "p"));
    // The monitor has read the change while paused, and passed over it.
    ASSERT_TRUE(monitor_->Settle());
    options_->Paused = false;
    ASSERT_TRUE(WriteNewFile(desktop_ + L"after pause.txt", "a"));

    ASSERT_TRUE(WaitFor([&] { return IsFile(target_ + L"after pause.txt"); }, kLongMs));
    ASSERT_TRUE(LogHas(L"after pause.txt moved"));
    ASSERT_TRUE(monitor_->Settle());
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
    // The file is held until the engine's third attempt has failed, and let go before its fourth:
    // on the engine's own thread, so no delay of the test's can make the fourth attempt miss it.
    struct Hold {
        std::atomic<HANDLE> file{nullptr};
        std::atomic<int> failures{0};
        void LetGo() {
            if (HANDLE h = file.exchange(nullptr)) CloseHandle(h);
        }
        ~Hold() { LetGo(); }
    };
    auto hold = std::make_shared<Hold>();
    JournalPlatform& journal = Install<JournalPlatform>();
    const std::wstring source = desktop_ + L"locked.txt";
    journal.afterMove = [hold, source](const std::wstring& from, bool ok) {
        if (!ok && from == source && ++hold->failures == 3) hold->LetGo();
    };
    Start([](TOptions& o) {
        o.SetTryToMove(true);
        o.SetTryCount(3);
    });

    // Opened without sharing, as an editor holds a file while saving it.
    HANDLE held = CreateFileW((desktop_ + L"Locked.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    DWORD written = 0;
    WriteFile(held, "data", 4, &written, nullptr);
    hold->file = held;
    if (hold->failures.load() >= 3) hold->LetGo();

    // The batch's report, whether the file was moved or not.
    ASSERT_TRUE(LogHas(L"File: locked.txt ")) << Log();
    const std::vector<JournalPlatform::Call> attempts = journal.MovesFrom(source);
    // Two attempts come always, the three more asked for on top: the fourth is the first after
    // the file was let go.
    ASSERT_EQ(4u, attempts.size());
    for (size_t i = 0; i < 3; ++i)
        EXPECT_FALSE(attempts[i].ok) << "attempt " << i + 1;
    EXPECT_TRUE(attempts[3].ok);
    // About a second between attempts; a busy machine only makes it longer.
    for (size_t i = 1; i < attempts.size(); ++i)
        EXPECT_GE(attempts[i].startMs - attempts[i - 1].startMs, 900.0) << "before attempt " << i + 1;
    EXPECT_TRUE(IsFile(target_ + L"locked.txt"));
    EXPECT_EQ("data", FileBytes(target_ + L"locked.txt"));

    std::wstring log = Log();
    EXPECT_NE(std::wstring::npos, log.find(L"-> >> Operation report for 1 files <<\r\nFile: locked.txt moved\r\n\r\n"))
        << log;
    EXPECT_EQ(1u, CountOf(log, L"moved"));
    EXPECT_EQ(0u, CountOf(log, L"not moved"));
}

TEST_F(EngineE2e, NewFolderIsMovedAfterAQuietPeriodAndItsHoldingNameIsNoNewItem) {
    constexpr int kDelay = 2000;
    // The changes below must come closer together than the quiet period. Far closer: a test held
    // up by a busy machine for well over a second still changes the folder in time.
    constexpr DWORD kStepMs = 250;
    JournalPlatform& journal = Install<JournalPlatform>();
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
    // The quiet period starts once the mover watches the folder. Wine sees no changes inside
    // subfolders that existed before the watch began: the subfolder is made after that.
    ASSERT_TRUE(WaitFor([&] { return !journal.Watches().empty(); }, kLongMs));
    double lastChange = journal.Watches().front().startMs;  // when the latest change began
    // Something new inside every kStepMs: each change restarts the quiet period.
    for (int i = 0; i < 4; ++i) {
        Sleep(kStepMs);
        ASSERT_TRUE(IsFolder(folder)) << "taken while still changing, after " << i << " changes, "
                                      << NowMs() - lastChange << " ms after the last one";
        lastChange = NowMs();
        if (i == 1) {
            ASSERT_TRUE(CreateDirectoryW((folder + L"day 2").c_str(), nullptr));
        } else {
            std::wstring inner = (i == 3 ? folder + L"day 2\\" : folder) + L"shot" + std::to_wstring(i) + L".jpg";
            ASSERT_TRUE(WriteNewFile(inner, "x"));
        }
    }

    ASSERT_TRUE(WaitFor([&] { return IsFolder(target_ + L"holiday photos") && !IsFolder(folder); }, kLongMs));
    // Taken under its holding name once, a whole quiet period after the last change at the
    // earliest (the tolerance covers the system's timer). A busy machine only takes it later.
    const std::vector<JournalPlatform::Call> renames = journal.Renames();
    ASSERT_EQ(1u, renames.size());
    EXPECT_EQ(desktop_ + L"holiday photos", renames[0].from);
    EXPECT_EQ(0u, renames[0].to.rfind(desktop_ + kHoldingPrefix, 0)) << renames[0].to;
    EXPECT_GE(renames[0].startMs - lastChange, kDelay - 100.0);
    EXPECT_TRUE(IsFile(target_ + L"holiday photos\\beach.jpg"));
    EXPECT_TRUE(IsFile(target_ + L"holiday photos\\shot2.jpg"));
    EXPECT_TRUE(IsFile(target_ + L"holiday photos\\day 2\\shot3.jpg"));
    EXPECT_TRUE(ListNames(desktop_).empty());

    ASSERT_TRUE(LogHas(L"Folder: holiday photos moved"));
    // A batch for the holding name, were one started, has ended too.
    ASSERT_TRUE(monitor_->Settle());
    std::wstring log = Log();
    EXPECT_NE(std::wstring::npos,
              log.find(L"-> >> Operation report for 1 files <<\r\nFolder: holiday photos movement initialized\r\n\r\n"))
        << log;
    EXPECT_NE(std::wstring::npos, log.find(L"-> Folder: holiday photos moved\r\n\r\n")) << log;
    EXPECT_EQ(1u, CountOf(log, L">> Operation report"));
    EXPECT_EQ(0u, CountOf(log, L"~dvrename"));

    // The folder really did pass through its holding name on the desktop, which keeps the letter
    // case the user gave it.
    const auto sawHoldingName = [&] {
        for (const auto& c : recorder.Changes()) {
            const std::wstring suffix = L"_Holiday Photos";
            if (c.name.rfind(L"~dvrename", 0) == 0 && c.name.size() > suffix.size() &&
                c.name.compare(c.name.size() - suffix.size(), suffix.size(), suffix) == 0)
                return true;
        }
        return false;
    };
    EXPECT_TRUE(WaitFor(sawHoldingName, kLongMs));
}

TEST_F(EngineE2e, BurstTooLargeForTheBufferIsLoggedAndEveryItemStillMoves) {
    ASSERT_TRUE(WriteNewFile(desktop_ + L"Kept.txt", "there before the start"));
    Start();

    // A busy machine can keep the monitor from coming back for its next read; here it is held
    // on its way there on purpose while 400 long names (some 170 KB of records) arrive.
    monitor_->HoldReads();
    const std::wstring stem(200, L'b');
    for (int i = 0; i < 400; ++i)
        WriteNewFile(desktop_ + stem + std::to_wstring(i) + L".txt", "");
    // The first name ended the read that was waiting: the monitor has come back and is held.
    const bool held = WaitFor([&] { return monitor_->ReadsHeld(); }, kLongMs);
    monitor_->ReleaseReads();
    ASSERT_TRUE(held);

    ASSERT_TRUE(LogHas(L"-> Byte return error. Error code: ")) << Log();
    std::wstring log = Log();
    std::wsmatch m;
    ASSERT_TRUE(std::regex_search(log, m, std::wregex(L"Byte return error\\. Error code: (-?[0-9]+)\r\n")));
    // Wine reports the overflow as a failed call with ERROR_NOTIFY_ENUM_DIR.
    if (UnderWine()) {
        EXPECT_EQ(L"1022", m[1].str());
    }

    // The desktop was listed again: every name of the burst arrives, the kept file stays.
    ASSERT_TRUE(LogHas(L"-> Desktop rescanned after missed changes: ")) << Log();
    EXPECT_TRUE(WaitFor([&] { return ListNames(target_).size() == 400; }, kLongMs)) << ListNames(target_).size();
    EXPECT_EQ(std::vector<std::wstring>{L"Kept.txt"}, ListNames(desktop_));

    // The monitor goes on: the next new file is moved.
    ASSERT_TRUE(WriteNewFile(desktop_ + L"After.txt", "x"));
    EXPECT_TRUE(WaitFor([&] { return IsFile(target_ + L"after.txt"); }, kLongMs));
    EXPECT_TRUE(monitor_->ThreadAlive());
    EXPECT_EQ(0u, CountOf(Log(), L"Read directory change error"));
}

TEST_F(EngineE2e, MissingDesktopDirectoryWritesOneLineAndNothingIsMonitored) {
    MakeOptions();
    ASSERT_FALSE(HasFatalFailure());
    RemoveTree(desktop_);
    ASSERT_FALSE(IsFolder(desktop_));

    monitor_ = std::make_unique<MonitorRun>(*options_);
    EXPECT_FALSE(monitor_->Ready());
    EXPECT_TRUE(TThread::WaitForIdle(kLongMs)) << "the monitor should end at once";

    std::wstring log = Log();
    EXPECT_EQ(1u, CountOf(log, L"-> Can not open Desktop Folder for monitoring. Error code: ")) << log;
    std::wsmatch m;
    ASSERT_TRUE(std::regex_search(
        log, m, std::wregex(L"Can not open Desktop Folder for monitoring\\. Error code: ([0-9]+)\r\n")));
    EXPECT_TRUE(m[1].str() == L"2" || m[1].str() == L"3") << m[1].str();

    // Nothing watches the folder once it is back: the monitor's body has ended and no body of the
    // engine runs, so nothing is left that could take the file up.
    ASSERT_TRUE(CreateDirectoryW(desktop_.c_str(), nullptr));
    ASSERT_TRUE(WriteNewFile(desktop_ + L"late.txt", "x"));
    EXPECT_FALSE(monitor_->ThreadAlive());
    EXPECT_EQ(0, TThread::Running());
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
                           L" --ready-file \"" + ready + L"\" --stop-file \"" + stop + L"\" --timeout 120";
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

    // The probe makes the ready file once its monitor watches the desktop.
    ASSERT_TRUE(WaitFor([&] { return IsFile(ready); }, kLongMs));
    ASSERT_TRUE(WriteNewFile(desktop_ + L"From Probe.txt", "p"));
    ASSERT_TRUE(WriteNewFile(desktop_ + L"skip.tmp", "t"));
    EXPECT_TRUE(WaitFor([&] { return IsFile(target_ + L"from probe.txt"); }, kLongMs));
    EXPECT_TRUE(LogHas(L"File: from probe.txt moved\r\n\r\n"));

    ASSERT_TRUE(WriteNewFile(stop, ""));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, kLongMs)) << "the probe did not stop";
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

// Thread starts refused for a while: the files that arrive meanwhile wait and are moved once a
// thread can be made again, nothing is lost, monitoring goes on, and the log says once why work
// waited. The files and threads are the system's own.
TEST_F(EngineE2e, ThreadStartsRefusedForAWhileLoseNoItemAndMonitoringGoesOn) {
    RefusingPlatform& refusing = Install<RefusingPlatform>();
    struct Restore {
        ~Restore() {
            TThread::SetIdleTimeout(5000);
            ReportThreadsTo(nullptr);
        }
    } restore;
    // No idle worker is left to take the work: each batch needs a new thread.
    TThread::SetIdleTimeout(1);
    ASSERT_TRUE(WaitFor([] { return TThread::Workers() == 0; }, kLongMs));
    Start();
    ReportThreadsTo(options_.get());
    // The batches of the start are over and their workers gone: only the monitor's is left.
    ASSERT_TRUE(WaitFor([] { return TThread::Workers() == 1; }, kLongMs));

    refusing.Refuse(true);
    ASSERT_TRUE(WriteNewFile(desktop_ + L"During 1.txt", "one"));
    // Its batch found no thread; the monitor keeps trying.
    ASSERT_TRUE(WaitFor([&] { return refusing.Refused() > 0; }, kLongMs));
    ASSERT_TRUE(WriteNewFile(desktop_ + L"During 2.txt", "two"));
    // Still no thread after the second file arrived.
    const int refusedBefore = refusing.Refused();
    ASSERT_TRUE(WaitFor([&] { return refusing.Refused() > refusedBefore; }, kLongMs));
    refusing.Refuse(false);

    ASSERT_TRUE(
        WaitFor([&] { return IsFile(target_ + L"during 1.txt") && IsFile(target_ + L"during 2.txt"); }, kLongMs));
    ASSERT_TRUE(WriteNewFile(desktop_ + L"After.txt", "three"));
    ASSERT_TRUE(WaitFor([&] { return IsFile(target_ + L"after.txt"); }, kLongMs));

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

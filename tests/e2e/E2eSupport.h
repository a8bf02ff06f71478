// Helpers for running the real moving engine against real folders under Wine or Windows:
// files, folders, the log file, a redirected desktop and a monitor that tells when it watches and
// when it has taken up a change, and can be stopped again.
// Shared by the end-to-end tests and the benchmarks.
#pragma once

#include <windows.h>
// These need windows.h first.
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// Relative: the benchmarks use these helpers with only this folder on their include path.
#include "../support/FileBytes.h"
#include "../support/WaitFor.h"
#include "engine/Monitorthread.h"
#include "engine/Names.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "settings/Options.h"
#include "thread/Thread.h"

namespace vantrel::e2e {

using test::FileBytes;
using test::WaitFor;

// Milliseconds from a steady clock with sub-millisecond resolution.
inline double NowMs() {
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / perMs;
}

inline bool IsFile(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool IsFolder(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates a new file (never replaces one) with the given bytes and closes it. share 0 is how an
// editor holds a file while saving it; full sharing lets the engine take it while still open.
inline bool WriteNewFile(const std::wstring& path,
                         const std::string& bytes,
                         DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

// The log file as text (UTF-16 LE without a byte-order mark).
inline std::wstring ReadLog(const std::wstring& path) {
    return FromUtf16Le(FileBytes(path));
}

inline size_t CountOf(const std::wstring& text, const std::wstring& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::wstring::npos; at = text.find(piece, at + piece.size()))
        ++n;
    return n;
}

// The names in a folder, as the file system spells them, without "." and "..".
inline std::vector<std::wstring> ListNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((WithTrailingBackslash(folder) + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

inline void RemoveTree(const std::wstring& folder) {
    std::wstring base = WithTrailingBackslash(folder);
    for (const auto& name : ListNames(base)) {
        std::wstring path = base + name;
        if (IsFolder(path)) {
            RemoveTree(path);
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }
    RemoveDirectoryW(base.c_str());
}

// An empty folder of the given name under the temporary-files folder (emptied when it exists).
inline std::wstring FreshFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring root = WithTrailingBackslash(temp) + L"vantrel-e2e\\";
    CreateDirectoryW(root.c_str(), nullptr);
    std::wstring folder = root + name + L"\\";
    RemoveTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

inline std::wstring ShellFolderPath(int csidl) {
    wchar_t path[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path))) return {};
    return WithTrailingBackslash(path);
}

// Where the program keeps Settings.xml and Log.txt.
inline std::wstring ProgramDataFolder() {
    return ShellFolderPath(0x001c /* CSIDL_LOCAL_APPDATA */) + L"Vantrel\\";
}

// Moves the user's settings file and log aside for the lifetime of the object and puts them
// back afterwards: the tests and benchmarks start every settings object from nothing.
class KeepProgramFiles {
  public:
    KeepProgramFiles() {
        for (const wchar_t* name : {L"Settings.xml", L"Log.txt"}) {
            std::wstring path = ProgramDataFolder() + name;
            MoveFileExW(path.c_str(), (path + L".e2e-saved").c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
    ~KeepProgramFiles() {
        for (const wchar_t* name : {L"Settings.xml", L"Log.txt"}) {
            std::wstring path = ProgramDataFolder() + name;
            std::wstring saved = path + L".e2e-saved";
            if (IsFile(saved)) MoveFileExW(saved.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
    KeepProgramFiles(const KeepProgramFiles&) = delete;
    KeepProgramFiles& operator=(const KeepProgramFiles&) = delete;
};

// Removes the settings file and the log, so the next TOptions starts from the defaults and a new log.
inline void ForgetSettingsAndLog() {
    std::wstring data = ProgramDataFolder();
    DeleteFileW((data + L"Settings.xml").c_str());
    DeleteFileW((data + L"Log.txt").c_str());
}

// Points the user's desktop directory (as the shell reports it) at another folder for the
// lifetime of the object. A value left behind by an interrupted run is put right first.
class DesktopRedirect {
  public:
    explicit DesktopRedirect(const std::wstring& folder) {
        original_ = Read();
        if (original_.empty() || original_.find(L"vantrel-e2e") != std::wstring::npos)
            original_ = L"%USERPROFILE%\\Desktop";
        std::wstring value = folder;
        while (!value.empty() && value.back() == L'\\')
            value.pop_back();
        Write(value);
    }
    ~DesktopRedirect() { Write(original_); }
    DesktopRedirect(const DesktopRedirect&) = delete;
    DesktopRedirect& operator=(const DesktopRedirect&) = delete;

  private:
    static constexpr const wchar_t* kKey =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

    static std::wstring Read() {
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
        wchar_t buffer[1024] = {};
        DWORD size = sizeof buffer - sizeof(wchar_t);
        DWORD type = 0;
        LONG rc = RegQueryValueExW(key, L"Desktop", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? std::wstring(buffer) : std::wstring();
    }

    static void Write(const std::wstring& value) {
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        RegSetValueExW(key, L"Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }

    std::wstring original_;
};

inline std::set<DWORD> ThreadIds() {
    std::set<DWORD> ids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 te{};
    te.dwSize = sizeof te;
    if (Thread32First(snap, &te)) {
        do {
            if (te.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(te.th32ThreadID);
        } while (Thread32Next(snap, &te));
    }
    CloseHandle(snap);
    return ids;
}

// A platform that hands every call on to another one: tests derive from it to watch or change a
// few calls and leave the rest to the real system.
class ForwardingPlatform : public Platform {
  public:
    explicit ForwardingPlatform(Platform& real) : real_(real) {}

    bool FileExists(const std::wstring& p) override { return real_.FileExists(p); }
    bool DirectoryExists(const std::wstring& p) override { return real_.DirectoryExists(p); }
    SysError GetAttributes(const std::wstring& p, uint32_t& a) override { return real_.GetAttributes(p, a); }
    SysError MoveFile(const std::wstring& f, const std::wstring& t) override { return real_.MoveFile(f, t); }
    SysError DeleteFile(const std::wstring& p) override { return real_.DeleteFile(p); }
    SysError CreateDirectory(const std::wstring& p) override { return real_.CreateDirectory(p); }
    SysError RemoveFolder(const std::wstring& p) override { return real_.RemoveFolder(p); }
    SysError FindItem(const std::wstring& p, ItemInfo& i) override { return real_.FindItem(p, i); }
    SysError ListFolder(const std::wstring& p, const std::wstring& m, std::vector<ItemInfo>& i) override {
        return real_.ListFolder(p, m, i);
    }
    SysError OpenToMove(const std::wstring& p, std::unique_ptr<SourceFile>& f) override {
        return real_.OpenToMove(p, f);
    }
    SysError CreateNew(const std::wstring& p, std::unique_ptr<NewFile>& f) override { return real_.CreateNew(p, f); }
    std::wstring VolumeOf(const std::wstring& p) override { return real_.VolumeOf(p); }
    ShellResult ShellFolderOperation(const std::wstring& f, const std::wstring& t, bool r) override {
        return real_.ShellFolderOperation(f, t, r);
    }
    SysError ReadFile(const std::wstring& p, std::string& b, uint64_t m) override { return real_.ReadFile(p, b, m); }
    SysError WriteFile(const std::wstring& p, const std::string& b) override { return real_.WriteFile(p, b); }
    SysError ReplaceFile(const std::wstring& p, const std::string& b) override { return real_.ReplaceFile(p, b); }
    SysError OpenLogFile(const std::wstring& p, std::unique_ptr<OpenFile>& f) override {
        return real_.OpenLogFile(p, f);
    }
    SysError OpenDirectoryChanges(const std::wstring& p, std::unique_ptr<DirectoryChanges>& c) override {
        return real_.OpenDirectoryChanges(p, c);
    }
    SysError WatchFolderTree(const std::wstring& p, std::unique_ptr<FolderWatch>& w) override {
        return real_.WatchFolderTree(p, w);
    }
    uint32_t TickCount() override { return real_.TickCount(); }
    void Sleep(uint32_t ms) override { real_.Sleep(ms); }
    void LowerCase(std::wstring& text) override { real_.LowerCase(text); }
    std::wstring TimeStamp() override { return real_.TimeStamp(); }
    bool GetSpecialFolder(SpecialFolder f, std::wstring& p) override { return real_.GetSpecialFolder(f, p); }
    std::wstring TempPath() override { return real_.TempPath(); }
    SysError UserName(std::wstring& name) override { return real_.UserName(name); }
    void NameThread(const char* name) override { real_.NameThread(name); }
    void RefreshDesktop() override { real_.RefreshDesktop(); }
    SysError StartThread(ThreadMain main, void* arg, uint32_t stackBytes) override {
        return real_.StartThread(main, arg, stackBytes);
    }

  protected:
    Platform& real_;
};

// The desktop monitor's reads seen from inside. While the object is installed, the monitor opens
// the desktop through it and gets a watch that reports on every read for its whole life: which
// records each read handed over and when the monitor came back for the next one, which it does
// only after it has acted on the block (started its batch, or passed over it while paused). The
// monitor can also be held on its way to the next read, as a busy machine holds it up.
//
// Nothing outside the engine tells when the desktop is watched or when a change has been taken
// up; a mark (a file made and removed again on the desktop) does, once the monitor reports it.
// Marks bear the folder mover's holding prefix, which the batch passes over without a word.
class DesktopReads {
  public:
    // Installs itself in front of the platform in use; create it before the monitor starts.
    DesktopReads() : state_(std::make_shared<State>()), previous_(&Os()), opener_(*previous_, state_) {
        SetPlatform(&opener_);
    }
    ~DesktopReads() {
        Uninstall();
        Release();
    }
    DesktopReads(const DesktopReads&) = delete;
    DesktopReads& operator=(const DesktopReads&) = delete;

    // Waits until the monitor has tried to open the desktop, then puts the previous platform back.
    // True when the desktop was opened.
    bool WaitOpened(uint32_t timeoutMs) {
        WaitFor([&] { return state_->tried.load(); }, timeoutMs);
        Uninstall();
        return state_->opened.load();
    }

    // Makes marks on desktop until the monitor has acted on the block that reported one as
    // removed. From then on the desktop is watched, and every change made before this call has
    // been read and acted on. A mark made before the watch began goes unseen: a new one follows
    // every roundMs.
    bool Mark(const std::wstring& desktop, uint32_t timeoutMs, uint32_t roundMs = 250) {
        std::vector<std::wstring> marks;
        const auto handled = [&] {
            for (const auto& name : marks)
                if (Handled(kFileActionRemoved, name)) return true;
            return false;
        };
        const double end = NowMs() + timeoutMs;
        do {
            static std::atomic<int> made{0};
            const std::wstring name = kHoldingPrefix + L"-e2e-mark-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                      std::to_wstring(++made);
            if (!WriteNewFile(desktop + name, "")) return false;
            DeleteFileW((desktop + name).c_str());
            marks.push_back(name);
            if (WaitFor(handled, roundMs)) return true;
        } while (NowMs() < end);
        return handled();
    }

    // Whether the monitor has read a record of action and name (as the system reported it) and
    // has come back for its next read since.
    bool Handled(uint32_t action, const std::wstring& name) const {
        std::lock_guard<std::mutex> guard(state_->mutex);
        for (const auto& r : state_->records)
            if (r.action == action && r.name == name && state_->entered.load() > r.read) return true;
        return false;
    }

    // From now on the monitor stops on its way to the next read until Release; the read queued
    // before goes on collecting changes meanwhile.
    void Hold() { ResetEvent(state_->gate); }
    void Release() { SetEvent(state_->gate); }
    // Whether the monitor stands held.
    bool Held() const { return state_->held.load(); }

    static constexpr uint32_t kFileActionRemoved = 2;

  private:
    struct Record {
        uint64_t read;  // the number of the read that handed it over
        uint32_t action;
        std::wstring name;
    };
    struct State {
        State() : gate(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}
        ~State() { CloseHandle(gate); }
        State(const State&) = delete;
        State& operator=(const State&) = delete;

        std::atomic<bool> tried{false};
        std::atomic<bool> opened{false};
        std::atomic<uint64_t> entered{0};  // reads the monitor has begun, the current one included
        std::atomic<bool> held{false};
        HANDLE gate;  // set: the monitor may read
        mutable std::mutex mutex;
        std::vector<Record> records;
    };

    class ObservedChanges final : public DirectoryChanges {
      public:
        ObservedChanges(std::unique_ptr<DirectoryChanges> real, std::shared_ptr<State> state)
            : real_(std::move(real)), state_(std::move(state)) {}

        SysError Read(void* buffer, uint32_t size, uint32_t& bytes) override {
            const uint64_t read = ++state_->entered;
            if (WaitForSingleObject(state_->gate, 0) == WAIT_TIMEOUT) {
                state_->held = true;
                WaitForSingleObject(state_->gate, INFINITE);
                state_->held = false;
            }
            const SysError code = real_->Read(buffer, size, bytes);
            if (code == SysError::None) Note(read, static_cast<const char*>(buffer), bytes);
            return code;
        }

      private:
        // Records need not be aligned under Wine: the fields are copied out.
        void Note(uint64_t read, const char* base, uint32_t bytes) {
            std::lock_guard<std::mutex> guard(state_->mutex);
            for (uint32_t at = 0; at + 12 <= bytes;) {
                uint32_t next = 0, action = 0, length = 0;
                memcpy(&next, base + at, 4);
                memcpy(&action, base + at + 4, 4);
                memcpy(&length, base + at + 8, 4);
                length = std::min<uint32_t>(length, bytes - at - 12) / 2;
                std::wstring name(length, L'\0');
                memcpy(name.data(), base + at + 12, length * 2);
                state_->records.push_back({read, action, std::move(name)});
                if (next == 0) break;
                at += next;
            }
        }

        std::unique_ptr<DirectoryChanges> real_;
        std::shared_ptr<State> state_;
    };

    // The platform the monitor opens the desktop through.
    class Opener final : public ForwardingPlatform {
      public:
        Opener(Platform& real, std::shared_ptr<State> state) : ForwardingPlatform(real), state_(std::move(state)) {}

        SysError OpenDirectoryChanges(const std::wstring& path, std::unique_ptr<DirectoryChanges>& opened) override {
            std::unique_ptr<DirectoryChanges> changes;
            const SysError code = real_.OpenDirectoryChanges(path, changes);
            if (code == SysError::None) {
                opened = std::make_unique<ObservedChanges>(std::move(changes), state_);
                state_->opened = true;
            }
            state_->tried = true;
            return code;
        }

      private:
        std::shared_ptr<State> state_;
    };

    // Puts the previous platform back, unless another one has been installed since.
    void Uninstall() {
        if (&Os() == &opener_) SetPlatform(previous_);
    }

    std::shared_ptr<State> state_;
    Platform* previous_;
    Opener opener_;  // outlives every call the monitor makes through it: see MonitorRun
};

// The desktop change monitor started as the main window starts it, plus what a test needs:
// to know when it watches, to know when it has taken up what happened on the desktop, to hold it
// up between two reads and to end it again.
class MonitorRun {
  public:
    explicit MonitorRun(TOptions& options, uint32_t timeoutMs = 30000)
        : options_(options), state_(std::make_shared<State>()) {
        auto* monitor = new Observed(state_);
        monitor_ = monitor;
        monitor_->Settings = &options_;
        monitor_->FreeOnTerminate = true;
        monitor_->Resume();
        WaitFor([&] { return state_->threadId.load() != 0; }, timeoutMs, 5);
        threadId_ = state_->threadId.load();
        // Changes count only once the first read is pending (under Wine the watch starts with it).
        ready_ = reads_.WaitOpened(timeoutMs) && reads_.Mark(options_.DesktopFolder(), timeoutMs);
    }
    ~MonitorRun() { Stop(); }
    MonitorRun(const MonitorRun&) = delete;
    MonitorRun& operator=(const MonitorRun&) = delete;

    DWORD ThreadId() const { return threadId_; }
    // Whether the monitor watches the desktop: it has reported a change made after it started.
    bool Ready() const { return ready_; }

    // Waits until every change made on the desktop before the call has been read and acted on,
    // and every batch and folder mover started meanwhile has ended: whatever the engine was going
    // to do about those changes, it has done. False after timeoutMs.
    bool Settle(uint32_t timeoutMs = 30000) {
        const double end = NowMs() + timeoutMs;
        if (!reads_.Mark(options_.DesktopFolder(), timeoutMs)) return false;
        const double left = std::max(0.0, end - NowMs());
        return WaitFor([&] { return TThread::Running() == (ThreadAlive() ? 1 : 0); }, static_cast<uint32_t>(left));
    }

    // Holds the monitor on its way to its next read (see DesktopReads::Hold).
    void HoldReads() { reads_.Hold(); }
    void ReleaseReads() { reads_.Release(); }
    bool ReadsHeld() const { return reads_.Held(); }

    // Ends the monitor and waits for every worker. The monitor looks at the terminate request
    // after a change call returns, so one name change on the desktop (discarded while paused)
    // lets it leave its loop. False when the workers did not end.
    bool Stop(uint32_t timeoutMs = 30000) {
        if (!monitor_) return true;
        reads_.Release();
        bool wasPaused = options_.Paused.load();
        options_.Paused = true;
        if (ThreadAlive()) {
            monitor_->Terminate();
            std::wstring poke = options_.DesktopFolder() + L"~vantrel-e2e-stop.tmp";
            const double end = NowMs() + timeoutMs;
            while (ThreadAlive() && NowMs() < end) {
                WriteNewFile(poke, "");
                DeleteFileW(poke.c_str());
                WaitFor([&] { return !ThreadAlive(); }, 100, 5);
            }
        }
        monitor_ = nullptr;  // it deletes itself
        bool idle = TThread::WaitForIdle(timeoutMs);
        options_.Paused = wasPaused;
        return idle;
    }

    // Whether the monitor's body still runs (its pool thread may live on afterwards).
    bool ThreadAlive() const { return !state_->ended.load(); }

  private:
    struct State {
        std::atomic<DWORD> threadId{0};
        std::atomic<bool> ended{false};
    };
    // The real monitor, telling which thread runs it and when its body has ended.
    class Observed : public TFileMonitor {
      public:
        explicit Observed(std::shared_ptr<State> state) : TFileMonitor(true), state_(std::move(state)) {}

      protected:
        void Execute() override {
            state_->threadId = GetCurrentThreadId();
            TFileMonitor::Execute();
            state_->ended = true;
        }

      private:
        std::shared_ptr<State> state_;
    };

    TOptions& options_;
    std::shared_ptr<State> state_;
    // Installed before the monitor starts; it is destroyed after Stop has waited for the workers.
    DesktopReads reads_;
    TFileMonitor* monitor_ = nullptr;
    DWORD threadId_ = 0;
    bool ready_ = false;
};

}  // namespace vantrel::e2e

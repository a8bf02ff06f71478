// Helpers for running the real moving engine against real folders under Wine or Windows:
// files, folders, the log file, a redirected desktop and a monitor that can be stopped again.
// Shared by the end-to-end tests and the benchmarks.
#pragma once

#include <windows.h>
// These need windows.h first.
#include <shlobj.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

// Relative: the benchmarks use these helpers with only this folder on their include path.
#include "../support/FileBytes.h"
#include "../support/WaitFor.h"
#include "engine/Monitorthread.h"
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

// The desktop change monitor started as the main window starts it, plus what a test needs:
// the id of its thread (to hold it up) and a way to end it again.
class MonitorRun {
  public:
    explicit MonitorRun(TOptions& options) : options_(options), state_(std::make_shared<State>()) {
        auto* monitor = new Observed(state_);
        monitor_ = monitor;
        monitor_->Settings = &options_;
        monitor_->FreeOnTerminate = true;
        monitor_->Resume();
        WaitFor([&] { return state_->threadId.load() != 0; }, 2000, 5);
        threadId_ = state_->threadId.load();
        // Changes count only once the first read is pending (under Wine the watch starts with it),
        // and nothing outside tells when that is: give the monitor a moment to get there.
        Sleep(300);
    }
    ~MonitorRun() { Stop(); }
    MonitorRun(const MonitorRun&) = delete;
    MonitorRun& operator=(const MonitorRun&) = delete;

    DWORD ThreadId() const { return threadId_; }

    // Ends the monitor and waits for every worker. The monitor looks at the terminate request
    // after a change call returns, so one name change on the desktop (discarded while paused)
    // lets it leave its loop. False when the workers did not end.
    bool Stop(uint32_t timeoutMs = 15000) {
        if (!monitor_) return true;
        bool wasPaused = options_.Paused.load();
        options_.Paused = true;
        if (ThreadAlive()) {
            monitor_->Terminate();
            std::wstring poke = options_.DesktopFolder() + L"~vantrel-e2e-stop.tmp";
            for (int i = 0; i < 50 && ThreadAlive(); ++i) {
                WriteNewFile(poke, "");
                DeleteFileW(poke.c_str());
                Sleep(100);
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
    TFileMonitor* monitor_ = nullptr;
    DWORD threadId_ = 0;
};

}  // namespace vantrel::e2e

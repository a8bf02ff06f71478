// A fake operating system for native tests: an in-memory, case-insensitive file system,
// a virtual clock (Sleep and waits advance it, nothing really sleeps), tick counts at will,
// injected error codes, locked files, scripted change notifications and folder watches.
//
// Install it for a test with FakeOs (RAII): it becomes Os() and is removed again afterwards.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace vantrel::fake {

// The calls a test can make fail (Fail). Append, ReadAll and Truncate are the log file's
// operations, Shell both shell operations, Rearm a folder watch's.
enum class Fault {
    MoveFile,
    DeleteFile,
    CreateDirectory,
    Shell,
    ReadFile,
    WriteFile,
    ReplaceFile,
    OpenLogFile,
    Append,
    ReadAll,
    Truncate,
    WatchFolderTree,
    Rearm,
    OpenDirectoryChanges,
    // The steps of a move to another volume: the original's open, read and deletion, the copy's
    // creation, writes and finish.
    OpenToMove,
    Read,
    DeleteThrough,
    CreateNew,
    Write,
    Finish,
    RemoveFolder,
};

// The operations a test can hook an action to (After, Before).
// The existence checks the fake counts.
enum class Lookup {
    FileExists,
    DirectoryExists,
};

enum class Operation {
    MoveFile,
    ShellRename,
    ShellMove,
    Read,  // a read of a file opened to be moved
};

// One recorded MoveFile or shell operation.
struct Call {
    uint64_t at;  // virtual milliseconds since the fake was made
    std::wstring op, from, to;
    bool ok;
};

class FakePlatform : public Platform {
  public:
    FakePlatform();
    ~FakePlatform() override;

    // --- scripting the file system (paths are full, like C:\Desktop\a.txt) ---
    void AddFile(const std::wstring& path, const std::string& content = {});
    void AddDirectory(const std::wstring& path);  // with its parents
    void Remove(const std::wstring& path);        // a file or a whole folder tree
    bool Exists(const std::wstring& path) const;
    std::string Content(const std::wstring& path) const;
    std::vector<std::wstring> List(const std::wstring& folder) const;  // names directly inside, in lower case

    // Fail every call of that kind whose first path equals path (any path when empty) with code,
    // `times` times (forever when negative). A failing shell operation returns code's number as
    // its result.
    void Fail(Fault call, const std::wstring& path, SysError code, int times = -1);
    void ClearFailures();
    // MoveFile, DeleteFile and ReadFile of this file fail with a sharing violation until the clock
    // reaches untilMs.
    void Lock(const std::wstring& path, uint64_t untilMs);
    // Another program writes this file until the clock reaches untilMs, sharing it for reading,
    // writing and deletion: it can be renamed and deleted, but not opened to be moved.
    void Write(const std::wstring& path, uint64_t untilMs);
    // Sets the item's attributes (kAttributeReadOnly, kAttributeReparsePoint); a folder keeps
    // its directory bit.
    void SetAttributes(const std::wstring& path, uint32_t attributes);
    // Paths below root (a drive such as L"D:\\" or a folder another volume is mounted on) are on
    // a volume of their own, with room for capacity bytes of file content. Every drive letter is
    // a volume of its own anyway, without limit.
    void AddVolume(const std::wstring& root, uint64_t capacity = UINT64_MAX);
    // Files opened to be moved or made for copies, and not yet closed.
    int openHandles() const;

    // --- clock ---
    uint64_t Now() const;         // virtual milliseconds since the fake was made
    void SetTick(uint32_t tick);  // the next TickCount() value; it advances with the clock
    void Advance(uint64_t ms);    // runs scheduled events that fall due
    // Runs action when the virtual clock reaches atMs (from Sleep, Advance or a watch's wait).
    void Schedule(uint64_t atMs, std::function<void()> action);
    // Runs action once, right after the next successful operation op has done its work: something
    // another program does in that instant.
    void After(Operation op, std::function<void()> action);
    // Runs action once, right before the next shell operation op starts its work.
    void Before(Operation op, std::function<void()> action);

    // --- change notifications of the desktop directory ---
    void PushChanges(const std::string& block);  // a successful read with these bytes
    void PushOverflow();                         // a successful read with 0 bytes
    void PushReadError(SysError code);           // a failed read
    size_t PendingReads() const;                 // blocks not yet taken by a reader
    // The virtual times of every OpenDirectoryChanges call, failed ones included.
    std::vector<uint64_t> DirectoryOpens() const;
    // Wakes blocked readers; their reads then fail with ERROR_OPERATION_ABORTED (995).
    void CloseChangeQueue();

    // Waits on folder watches return Other this many times before anything else.
    void InjectOtherWaits(int count);

    // --- threads ---
    // The next `times` thread starts are refused with code (every one while times is negative,
    // until AllowThreads); starts that are not refused make real threads.
    void RefuseThreads(int times, SysError code = kErrorNotEnoughMemory);
    void AllowThreads();
    int refusedThreads() const;  // starts refused so far

    // --- identity, folders, text ---
    std::map<SpecialFolder, std::wstring> specialFolders;
    std::wstring tempPath = L"C:\\Temp\\";
    std::wstring userName = L"tester";
    bool userNameFails = false;
    std::wstring timeStamp = L"09.12.2026 10:00:00";
    // The log file cannot be opened (another process holds it open for writing).
    bool logHeldByOther = false;

    std::vector<Call> Calls() const;  // the calls that change something
    // How often an existence check ran: "FileExists" or "DirectoryExists".
    size_t Lookups(Lookup kind) const;
    int desktopRefreshes() const;
    int appendCount() const;

    // --- Platform ---
    bool FileExists(const std::wstring& path) override;
    bool DirectoryExists(const std::wstring& path) override;
    SysError GetAttributes(const std::wstring& path, uint32_t& attributes) override;
    SysError MoveFile(const std::wstring& from, const std::wstring& to) override;
    SysError DeleteFile(const std::wstring& path) override;
    SysError CreateDirectory(const std::wstring& path) override;
    SysError RemoveFolder(const std::wstring& path) override;
    SysError FindItem(const std::wstring& path, ItemInfo& info) override;
    SysError ListFolder(const std::wstring& folder, const std::wstring& pattern, std::vector<ItemInfo>& items) override;
    SysError OpenToMove(const std::wstring& path, std::unique_ptr<SourceFile>& file) override;
    SysError CreateNew(const std::wstring& path, std::unique_ptr<NewFile>& file) override;
    std::wstring VolumeOf(const std::wstring& path) override;
    ShellResult ShellFolderOperation(const std::wstring& from, const std::wstring& to, bool rename) override;
    SysError ReadFile(const std::wstring& path, std::string& bytes, uint64_t maxBytes) override;
    SysError WriteFile(const std::wstring& path, const std::string& bytes) override;
    SysError ReplaceFile(const std::wstring& path, const std::string& bytes) override;
    SysError OpenLogFile(const std::wstring& path, std::unique_ptr<OpenFile>& file) override;
    SysError OpenDirectoryChanges(const std::wstring& path, std::unique_ptr<DirectoryChanges>& changes) override;
    SysError WatchFolderTree(const std::wstring& path, std::unique_ptr<FolderWatch>& watch) override;
    uint32_t TickCount() override;
    void Sleep(uint32_t ms) override;
    void LowerCase(std::wstring& text) override;
    std::wstring TimeStamp() override;
    bool GetSpecialFolder(SpecialFolder folder, std::wstring& path) override;
    std::wstring TempPath() override;
    SysError UserName(std::wstring& name) override;
    void NameThread(const char* name) override;
    void RefreshDesktop() override;
    SysError StartThread(ThreadMain main, void* arg, uint32_t stackBytes) override;

  private:
    struct Node {
        bool dir = false;
        std::string content;
        uint64_t lockedUntil = 0;
        std::wstring name;         // the last name as it was given, letter case included
        uint64_t id = 0;           // follows the item through renames, as a handle does
        uint32_t attributes = 0;   // beyond the directory bit
        uint64_t lastWrite = 0;    // a new value for every change of the content
        uint64_t writerUntil = 0;  // see Write
        uint64_t created = 0, lastAccess = 0;
    };
    struct Failure {
        Fault call;
        std::wstring path;
        SysError code;
        int times;
    };
    struct Watch;
    class FakeFile;
    class FakeChanges;
    class FakeWatch;
    class FakeHandle;
    class FakeSource;
    class FakeNew;
    struct PendingRead {
        bool ok;
        SysError code;
        std::string bytes;
    };

    static std::wstring Key(const std::wstring& path);
    static std::wstring LastName(const std::wstring& path);
    Node& Made(const std::wstring& key, const std::wstring& path, bool dir);  // lock held: a new node
    std::map<std::wstring, Node>::iterator ById(uint64_t id);                 // lock held
    std::wstring VolumeKey(const std::wstring& key) const;                    // lock held
    uint64_t Room(const std::wstring& key) const;                             // lock held: bytes free
    ItemInfo Info(const Node& node) const;
    static std::wstring Parent(const std::wstring& key);
    bool Failing(Fault call, const std::wstring& path, SysError& code);     // lock held
    bool HasParent(const std::wstring& key) const;                          // lock held
    void Touched(const std::wstring& key);                                  // lock held
    void MoveTree(const std::wstring& fromKey, const std::wstring& toKey);  // lock held
    void AdvanceLocked(std::unique_lock<std::recursive_mutex>& lock, uint64_t ms);
    void Record(const std::wstring& op, const std::wstring& from, const std::wstring& to, bool ok);

    mutable std::recursive_mutex mutex_;
    std::condition_variable_any readable_;
    std::map<std::wstring, Node> nodes_;
    std::vector<Failure> failures_;
    std::multimap<uint64_t, std::function<void()>> events_;
    std::multimap<Operation, std::function<void()>> afterCalls_, beforeCalls_;
    static void RunOnce(std::multimap<Operation, std::function<void()>>& actions, Operation op);
    void RunAfter(Operation op) { RunOnce(afterCalls_, op); }  // lock held
    std::deque<PendingRead> reads_;
    std::vector<uint64_t> directoryOpens_;
    bool changesClosed_ = false;
    std::vector<Watch*> watches_;
    std::vector<Call> calls_;
    std::map<Lookup, size_t> lookups_;
    uint64_t now_ = 0;
    uint32_t tickBase_ = 1000;
    int otherWaits_ = 0;
    int refreshes_ = 0;
    int appends_ = 0;
    int refuseThreads_ = 0;
    SysError refuseCode_ = SysError::None;
    int refusedThreads_ = 0;
    std::map<std::wstring, uint64_t> volumes_;  // root key -> capacity
    uint64_t nextId_ = 1;
    int openHandles_ = 0;
};

// Installs a FakePlatform as Os() for the lifetime of the object.
class FakeOs {
  public:
    FakeOs() { SetPlatform(&os); }
    ~FakeOs() { SetPlatform(nullptr); }
    FakeOs(const FakeOs&) = delete;
    FakeOs& operator=(const FakeOs&) = delete;
    FakePlatform* operator->() { return &os; }
    FakePlatform os;
};

// Builds a block of FILE_NOTIFY_INFORMATION records as the change call fills it.
class ChangeBlock {
  public:
    // padded: records start on 4-byte boundaries as Windows writes them; unpadded as Wine may.
    explicit ChangeBlock(bool padded = true) : padded_(padded) {}
    ChangeBlock& Add(uint32_t action, const std::wstring& name);
    std::string Bytes() const;

  private:
    bool padded_;
    std::vector<std::pair<uint32_t, std::wstring>> records_;
};

constexpr uint32_t kActionAdded = 1;
constexpr uint32_t kActionRemoved = 2;
constexpr uint32_t kActionModified = 3;
constexpr uint32_t kActionRenamedOld = 4;
constexpr uint32_t kActionRenamedNew = 5;

}  // namespace vantrel::fake

namespace vantrel {

// Failed test checks show a code as its number.
inline void PrintTo(SysError code, std::ostream* out) {
    *out << Number(code);
}
inline void PrintTo(ShellResult result, std::ostream* out) {
    *out << Number(result);
}

}  // namespace vantrel

#include "fakes/FakePlatform.h"

#include <algorithm>
#include <cwctype>

#include "platform/Text.h"

namespace vantrel::fake {

namespace {
constexpr SysError kOperationAborted{995};
}  // namespace

// --- nested types ---------------------------------------------------------------------

struct FakePlatform::Watch {
    std::wstring key;
    bool signalled = false;
    bool open = true;
};

class FakePlatform::FakeFile : public OpenFile {
  public:
    FakeFile(FakePlatform& os, std::wstring key) : os_(os), key_(std::move(key)) {}
    SysError Append(const void* data, size_t size) override {
        std::lock_guard<std::recursive_mutex> lock(os_.mutex_);
        ++os_.appends_;
        SysError code = SysError::None;
        auto it = os_.nodes_.find(key_);
        if (os_.Failing(Fault::Append, key_, code) || it == os_.nodes_.end())
            return it == os_.nodes_.end() ? kErrorFileNotFound : code;
        it->second.content.append(static_cast<const char*>(data), size);
        return SysError::None;
    }
    SysError ReadAll(std::string& bytes) override {
        std::lock_guard<std::recursive_mutex> lock(os_.mutex_);
        SysError code = SysError::None;
        auto it = os_.nodes_.find(key_);
        if (os_.Failing(Fault::ReadAll, key_, code) || it == os_.nodes_.end())
            return it == os_.nodes_.end() ? kErrorFileNotFound : code;
        bytes = it->second.content;
        return SysError::None;
    }
    SysError Truncate() override {
        std::lock_guard<std::recursive_mutex> lock(os_.mutex_);
        SysError code = SysError::None;
        auto it = os_.nodes_.find(key_);
        if (os_.Failing(Fault::Truncate, key_, code) || it == os_.nodes_.end())
            return it == os_.nodes_.end() ? kErrorFileNotFound : code;
        it->second.content.clear();
        return SysError::None;
    }

  private:
    FakePlatform& os_;
    std::wstring key_;
};

class FakePlatform::FakeChanges : public DirectoryChanges {
  public:
    FakeChanges(FakePlatform& os, std::wstring key, uint64_t id) : os_(os), key_(std::move(key)), id_(id) {}
    SysError Read(void* buffer, uint32_t size, uint32_t& bytes) override {
        std::unique_lock<std::recursive_mutex> lock(os_.mutex_);
        os_.readable_.wait(lock, [&] { return !os_.reads_.empty() || os_.changesClosed_ || Gone(); });
        bytes = 0;
        if (os_.reads_.empty()) {
            // Records that came before are read first; then a folder that has gone ends the watch.
            return Gone() ? kErrorFileNotFound : kOperationAborted;
        }
        PendingRead r = std::move(os_.reads_.front());
        os_.reads_.pop_front();
        os_.readable_.notify_all();
        if (!r.ok || r.bytes.size() > size) return r.ok ? kErrorNotifyEnumDir : r.code;
        bytes = static_cast<uint32_t>(r.bytes.size());
        std::copy_n(r.bytes.data(), bytes, static_cast<char*>(buffer));
        return SysError::None;
    }

  private:
    // The watched folder was removed or renamed (lock held): another folder of its name is no
    // longer the one watched.
    bool Gone() const {
        auto it = os_.nodes_.find(key_);
        return it == os_.nodes_.end() || it->second.id != id_;
    }

    FakePlatform& os_;
    std::wstring key_;
    uint64_t id_;
};

class FakePlatform::FakeWatch : public FolderWatch {
  public:
    FakeWatch(FakePlatform& os, Watch* watch) : os_(os), watch_(watch) {}
    ~FakeWatch() override {
        std::lock_guard<std::recursive_mutex> lock(os_.mutex_);
        os_.watches_.erase(std::find(os_.watches_.begin(), os_.watches_.end(), watch_));
        delete watch_;
    }
    WaitResult Wait(uint32_t timeoutMs) override {
        std::unique_lock<std::recursive_mutex> lock(os_.mutex_);
        if (os_.otherWaits_ > 0) {
            --os_.otherWaits_;
            return WaitResult::Other;
        }
        if (watch_->signalled) return WaitResult::Changed;
        // Let the clock run up to the time-out; an event that touches the folder signals it.
        uint64_t end = os_.now_ + timeoutMs;
        while (!watch_->signalled) {
            auto next = os_.events_.begin();
            if (next == os_.events_.end() || next->first > end) break;
            os_.AdvanceLocked(lock, next->first - os_.now_);
        }
        if (watch_->signalled) return WaitResult::Changed;
        os_.AdvanceLocked(lock, end - os_.now_);
        return watch_->signalled ? WaitResult::Changed : WaitResult::Timeout;
    }
    SysError Rearm() override {
        std::lock_guard<std::recursive_mutex> lock(os_.mutex_);
        SysError code = SysError::None;
        if (os_.Failing(Fault::Rearm, watch_->key, code)) return code;
        watch_->signalled = false;
        return SysError::None;
    }

  private:
    FakePlatform& os_;
    Watch* watch_;
};

// --- construction and scripting -------------------------------------------------------

FakePlatform::FakePlatform() {
    specialFolders[SpecialFolder::Documents] = L"C:\\Users\\tester\\Documents";
    specialFolders[SpecialFolder::DesktopDirectory] = L"C:\\Users\\tester\\Desktop";
    specialFolders[SpecialFolder::LocalAppData] = L"C:\\Users\\tester\\AppData\\Local";
    AddDirectory(L"C:\\Users\\tester\\Documents");
    AddDirectory(L"C:\\Users\\tester\\Desktop");
    AddDirectory(L"C:\\Users\\tester\\AppData\\Local");
    AddDirectory(L"C:\\Temp");
}

FakePlatform::~FakePlatform() = default;

std::wstring FakePlatform::Key(const std::wstring& path) {
    std::wstring key = path;
    for (auto& ch : key)
        ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    while (key.size() > 3 && key.back() == L'\\')
        key.pop_back();
    return key;
}

std::wstring FakePlatform::Parent(const std::wstring& key) {
    auto slash = key.rfind(L'\\');
    if (slash == std::wstring::npos) return {};
    return key.substr(0, slash);
}

bool FakePlatform::HasParent(const std::wstring& key) const {
    std::wstring parent = Parent(key);
    if (parent.empty() || parent.size() <= 2) return true;  // a drive root
    auto it = nodes_.find(parent);
    return it != nodes_.end() && it->second.dir;
}

void FakePlatform::Touched(const std::wstring& key) {
    readable_.notify_all();  // a watched folder may have gone
    for (Watch* w : watches_)
        if (key.size() > w->key.size() && key.compare(0, w->key.size(), w->key) == 0 && key[w->key.size()] == L'\\')
            w->signalled = true;
}

void FakePlatform::AddFile(const std::wstring& path, const std::string& content) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::wstring key = Key(path);
    AddDirectory(Parent(path));  // the parents keep the letter case they were given
    auto it = nodes_.find(key);
    if (it != nodes_.end() && !it->second.dir) {
        // Another program writes the file: the same file, with new content and a new time.
        it->second.content = content;
        it->second.lastWrite = nextId_++;
        return;
    }
    Made(key, path, false).content = content;
    Touched(key);
}

void FakePlatform::AddDirectory(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::wstring key = Key(path);
    if (key.size() <= 2) return;
    auto it = nodes_.find(key);
    if (it != nodes_.end()) return;
    AddDirectory(Parent(path));
    Made(key, path, true);
    Touched(key);
}

void FakePlatform::Remove(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::wstring key = Key(path);
    for (auto it = nodes_.begin(); it != nodes_.end();) {
        if (it->first == key || (it->first.size() > key.size() && it->first.compare(0, key.size(), key) == 0 &&
                                 it->first[key.size()] == L'\\')) {
            Touched(it->first);
            it = nodes_.erase(it);
        } else {
            ++it;
        }
    }
}

bool FakePlatform::Exists(const std::wstring& path) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return nodes_.count(Key(path)) != 0;
}

std::string FakePlatform::Content(const std::wstring& path) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = nodes_.find(Key(path));
    return it == nodes_.end() ? std::string() : it->second.content;
}

std::vector<std::wstring> FakePlatform::List(const std::wstring& folder) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::wstring key = Key(folder);
    std::vector<std::wstring> names;
    for (const auto& [k, node] : nodes_)
        if (Parent(k) == key) names.push_back(k.substr(key.size() + 1));
    return names;
}

void FakePlatform::Fail(Fault call, const std::wstring& path, SysError code, int times) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    failures_.push_back({call, path.empty() ? std::wstring() : Key(path), code, times});
}

void FakePlatform::ClearFailures() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    failures_.clear();
}

bool FakePlatform::Failing(Fault call, const std::wstring& path, SysError& code) {
    std::wstring key = Key(path);
    for (auto& f : failures_) {
        if (f.call != call || f.times == 0 || (!f.path.empty() && f.path != key)) continue;
        if (f.times > 0) --f.times;
        code = f.code;
        return true;
    }
    return false;
}

void FakePlatform::Lock(const std::wstring& path, uint64_t untilMs) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    nodes_[Key(path)].lockedUntil = untilMs;
}

uint64_t FakePlatform::Now() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return now_;
}

void FakePlatform::SetTick(uint32_t tick) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    tickBase_ = tick - static_cast<uint32_t>(now_);
}

void FakePlatform::Advance(uint64_t ms) {
    std::unique_lock<std::recursive_mutex> lock(mutex_);
    AdvanceLocked(lock, ms);
}

void FakePlatform::AdvanceLocked(std::unique_lock<std::recursive_mutex>& lock, uint64_t ms) {
    uint64_t end = now_ + ms;
    for (;;) {
        auto next = events_.begin();
        if (next == events_.end() || next->first > end) break;
        now_ = std::max(now_, next->first);
        auto action = std::move(next->second);
        events_.erase(next);
        lock.unlock();
        action();
        lock.lock();
    }
    now_ = std::max(now_, end);
}

void FakePlatform::Schedule(uint64_t atMs, std::function<void()> action) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    events_.emplace(atMs, std::move(action));
}

void FakePlatform::PushChanges(const std::string& block) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    reads_.push_back({true, SysError::None, block});
    readable_.notify_all();
}

void FakePlatform::PushOverflow() {
    PushChanges({});
}

void FakePlatform::PushReadError(SysError code) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    reads_.push_back({false, code, {}});
    readable_.notify_all();
}

size_t FakePlatform::PendingReads() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return reads_.size();
}

std::vector<uint64_t> FakePlatform::DirectoryOpens() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return directoryOpens_;
}

void FakePlatform::CloseChangeQueue() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    changesClosed_ = true;
    readable_.notify_all();
}

void FakePlatform::InjectOtherWaits(int count) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    otherWaits_ = count;
}

std::vector<Call> FakePlatform::Calls() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return calls_;
}

size_t FakePlatform::Lookups(Lookup kind) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = lookups_.find(kind);
    return it == lookups_.end() ? 0 : it->second;
}

int FakePlatform::desktopRefreshes() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return refreshes_;
}

int FakePlatform::appendCount() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return appends_;
}

void FakePlatform::Record(const std::wstring& op, const std::wstring& from, const std::wstring& to, bool ok) {
    calls_.push_back({now_, op, from, to, ok});
}

void FakePlatform::After(Operation op, std::function<void()> action) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    afterCalls_.emplace(op, std::move(action));
}

void FakePlatform::Before(Operation op, std::function<void()> action) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    beforeCalls_.emplace(op, std::move(action));
}

void FakePlatform::RunOnce(std::multimap<Operation, std::function<void()>>& actions, Operation op) {
    auto it = actions.find(op);
    if (it == actions.end()) return;
    auto action = std::move(it->second);
    actions.erase(it);
    action();
}

// --- Platform -------------------------------------------------------------------------

bool FakePlatform::FileExists(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    ++lookups_[Lookup::FileExists];
    auto it = nodes_.find(Key(path));
    return it != nodes_.end() && !it->second.dir;
}

bool FakePlatform::DirectoryExists(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    ++lookups_[Lookup::DirectoryExists];
    auto it = nodes_.find(Key(path));
    return it != nodes_.end() && it->second.dir;
}

void FakePlatform::MoveTree(const std::wstring& fromKey, const std::wstring& toKey) {
    std::vector<std::pair<std::wstring, Node>> moved;
    for (auto it = nodes_.begin(); it != nodes_.end();) {
        const std::wstring& k = it->first;
        if (k == fromKey ||
            (k.size() > fromKey.size() && k.compare(0, fromKey.size(), fromKey) == 0 && k[fromKey.size()] == L'\\')) {
            moved.emplace_back(toKey + k.substr(fromKey.size()), it->second);
            Touched(k);
            it = nodes_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& [k, node] : moved) {
        nodes_[k] = node;
        Touched(k);
    }
}

SysError FakePlatform::MoveFile(const std::wstring& from, const std::wstring& to) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::wstring fromKey = Key(from), toKey = Key(to);
    SysError code = SysError::None;
    auto it = nodes_.find(fromKey);
    if (Failing(Fault::MoveFile, from, code)) {
    } else if (it == nodes_.end()) {
        code = kErrorFileNotFound;
    } else if (it->second.lockedUntil > now_) {
        code = kErrorSharingViolation;
    } else if (nodes_.count(toKey)) {
        code = kErrorAlreadyExists;
    } else if (!HasParent(toKey)) {
        code = kErrorPathNotFound;
    } else if (VolumeKey(fromKey) != VolumeKey(toKey)) {
        code = kErrorNotSameDevice;  // a move never copies
    }
    Record(L"MoveFile", from, to, code == SysError::None);
    if (code != SysError::None) return code;
    MoveTree(fromKey, toKey);
    nodes_[toKey].name = LastName(to);
    RunAfter(Operation::MoveFile);
    return SysError::None;
}

SysError FakePlatform::DeleteFile(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::wstring key = Key(path);
    SysError code = SysError::None;
    auto it = nodes_.find(key);
    if (Failing(Fault::DeleteFile, path, code)) {
    } else if (it == nodes_.end()) {
        code = kErrorFileNotFound;
    } else if (it->second.dir) {
        code = kErrorAccessDenied;
    } else if (it->second.lockedUntil > now_) {
        code = kErrorSharingViolation;
    }
    Record(L"DeleteFile", path, {}, code == SysError::None);
    if (code != SysError::None) return code;
    nodes_.erase(it);
    Touched(key);
    return SysError::None;
}

SysError FakePlatform::CreateDirectory(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::wstring key = Key(path);
    SysError code = SysError::None;
    if (Failing(Fault::CreateDirectory, path, code)) {
    } else if (nodes_.count(key)) {
        code = kErrorAlreadyExists;
    } else if (!HasParent(key)) {
        code = kErrorPathNotFound;
    }
    if (code != SysError::None) return code;
    Made(key, path, true);
    Touched(key);
    return SysError::None;
}

ShellResult FakePlatform::ShellFolderOperation(const std::wstring& from, const std::wstring& to, bool rename) {
    // Answers as the shell under Wine does (the platform contract tests hold the two together).
    // Its results are mostly system codes by number; 0x402 is its own (a rename whose source is
    // missing), 1223 (cancelled) answers a move into a folder that does not exist.
    constexpr ShellResult kShellUnknownError{0x402};
    constexpr ShellResult kShellAlreadyExists{183};
    constexpr ShellResult kShellPathNotFound{3};
    constexpr ShellResult kShellCancelled{1223};
    // The shell parses paths the classic way: a trailing dot or blank is no part of a name.
    auto classic = [](std::wstring path) {
        while (!path.empty() && (path.back() == L'.' || path.back() == L' '))
            path.pop_back();
        return path;
    };
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    RunOnce(beforeCalls_, rename ? Operation::ShellRename : Operation::ShellMove);
    std::wstring fromKey = Key(classic(from)), toKey = Key(classic(to));
    ShellResult code = ShellResult::Success;
    SysError injected = SysError::None;
    bool act = true;
    auto it = nodes_.find(fromKey);
    auto there = nodes_.find(toKey);
    if (Failing(Fault::Shell, from, injected)) {
        code = ShellResult{static_cast<int>(Number(injected))};  // a test's number, as the shell's result
    } else if (rename) {
        if (it == nodes_.end())
            code = kShellUnknownError;
        else if (there != nodes_.end())
            code = kShellAlreadyExists;
        else if (!HasParent(toKey))
            code = kShellPathNotFound;
    } else if (it == nodes_.end()) {
        act = false;  // a missing source is reported as a success
    } else if (!HasParent(toKey)) {
        code = kShellCancelled;
    } else if (VolumeKey(fromKey) != VolumeKey(toKey)) {
        act = false;  // to another volume, Wine's shell reports success and moves nothing
    } else if (there != nodes_.end() && there->second.dir) {
        // Onto a folder: the source goes inside it, under its own name.
        toKey += fromKey.substr(fromKey.rfind(L'\\'));
        if (nodes_.count(toKey)) code = kShellAlreadyExists;
    } else if (there != nodes_.end()) {
        nodes_.erase(there);  // onto a file: the file is replaced
        Touched(toKey);
    }
    Record(rename ? L"ShellRename" : L"ShellMove", from, to, code == ShellResult::Success);
    if (code == ShellResult::Success && act) {
        MoveTree(fromKey, toKey);
        nodes_[toKey].name = LastName(classic(to));
    }
    if (code == ShellResult::Success) RunAfter(rename ? Operation::ShellRename : Operation::ShellMove);
    return code;
}

SysError FakePlatform::ReadFile(const std::wstring& path, std::string& bytes, uint64_t maxBytes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    SysError code = SysError::None;
    auto it = nodes_.find(Key(path));
    if (Failing(Fault::ReadFile, path, code)) {
    } else if (it == nodes_.end() || it->second.dir) {
        code = kErrorFileNotFound;
    } else if (it->second.lockedUntil > now_) {
        code = kErrorSharingViolation;  // held without sharing by another program
    } else if (it->second.content.size() > maxBytes) {
        code = kErrorFileTooLarge;
    }
    if (code != SysError::None) return code;
    bytes = it->second.content;
    return SysError::None;
}

SysError FakePlatform::WriteFile(const std::wstring& path, const std::string& bytes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::wstring key = Key(path);
    SysError code = SysError::None;
    auto it = nodes_.find(key);
    if (Failing(Fault::WriteFile, path, code)) {
    } else if (it != nodes_.end() && it->second.dir) {
        code = kErrorAccessDenied;
    } else if (!HasParent(key)) {
        code = kErrorPathNotFound;
    }
    if (code != SysError::None) return code;
    // Only a new name is a change for a folder watch; writing into an existing file is not.
    bool created = it == nodes_.end();
    Node& node = created ? Made(key, path, false) : it->second;
    node.content = bytes;
    node.lastWrite = nextId_++;
    if (created) Touched(key);
    return SysError::None;
}

SysError FakePlatform::ReplaceFile(const std::wstring& path, const std::string& bytes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    SysError code = SysError::None;
    if (Failing(Fault::ReplaceFile, path, code)) {
        return code;  // like a failed temporary file: the old file stays as it was
    }
    return WriteFile(path, bytes);
}

SysError FakePlatform::OpenLogFile(const std::wstring& path, std::unique_ptr<OpenFile>& file) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::wstring key = Key(path);
    SysError code = SysError::None;
    auto it = nodes_.find(key);
    if (Failing(Fault::OpenLogFile, path, code)) {
    } else if (logHeldByOther) {
        code = kErrorSharingViolation;
    } else if (it != nodes_.end() && it->second.dir) {
        code = kErrorAccessDenied;
    } else if (!HasParent(key)) {
        code = kErrorPathNotFound;
    }
    if (code != SysError::None) return code;
    if (it == nodes_.end()) Made(key, path, false);
    file = std::make_unique<FakeFile>(*this, key);
    return SysError::None;
}

SysError FakePlatform::OpenDirectoryChanges(const std::wstring& path, std::unique_ptr<DirectoryChanges>& changes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    directoryOpens_.push_back(now_);
    SysError code = SysError::None;
    auto it = nodes_.find(Key(path));
    if (Failing(Fault::OpenDirectoryChanges, path, code)) {
    } else if (it == nodes_.end() || !it->second.dir) {
        code = it == nodes_.end() && !HasParent(Key(path)) ? kErrorPathNotFound : kErrorFileNotFound;
    }
    if (code != SysError::None) return code;
    changes = std::make_unique<FakeChanges>(*this, it->first, it->second.id);
    return SysError::None;
}

SysError FakePlatform::WatchFolderTree(const std::wstring& path, std::unique_ptr<FolderWatch>& made) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::wstring key = Key(path);
    SysError code = SysError::None;
    auto it = nodes_.find(key);
    if (Failing(Fault::WatchFolderTree, path, code)) {
    } else if (it == nodes_.end() || !it->second.dir) {
        code = kErrorFileNotFound;
    }
    if (code != SysError::None) return code;
    auto* watch = new Watch{key};
    watches_.push_back(watch);
    made = std::make_unique<FakeWatch>(*this, watch);
    return SysError::None;
}

uint32_t FakePlatform::TickCount() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return tickBase_ + static_cast<uint32_t>(now_);
}

void FakePlatform::Sleep(uint32_t ms) {
    std::unique_lock<std::recursive_mutex> lock(mutex_);
    AdvanceLocked(lock, ms);
}

void FakePlatform::LowerCase(std::wstring& text) {
    for (auto& ch : text)
        ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
}

std::wstring FakePlatform::TimeStamp() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return timeStamp;
}

bool FakePlatform::GetSpecialFolder(SpecialFolder folder, std::wstring& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = specialFolders.find(folder);
    if (it == specialFolders.end() || it->second.empty()) return false;
    path = it->second;
    return true;
}

std::wstring FakePlatform::TempPath() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return tempPath;
}

SysError FakePlatform::UserName(std::wstring& name) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (userNameFails) return SysError{1332};  // ERROR_NONE_MAPPED
    name = userName;
    return SysError::None;
}

void FakePlatform::NameThread(const char*) {}

void FakePlatform::RefreshDesktop() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    ++refreshes_;
}

// --- threads ---------------------------------------------------------------------------

void FakePlatform::RefuseThreads(int times, SysError code) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    refuseThreads_ = times;
    refuseCode_ = code;
}

void FakePlatform::AllowThreads() {
    RefuseThreads(0);
}

int FakePlatform::refusedThreads() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return refusedThreads_;
}

SysError FakePlatform::StartThread(ThreadMain main, void* arg, uint32_t stackBytes) {
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        if (refuseThreads_ != 0) {
            if (refuseThreads_ > 0) --refuseThreads_;
            ++refusedThreads_;
            return refuseCode_;
        }
    }
    return StartSystemThread(main, arg, stackBytes);
}

// --- change blocks --------------------------------------------------------------------

ChangeBlock& ChangeBlock::Add(uint32_t action, const std::wstring& name) {
    records_.emplace_back(action, name);
    return *this;
}

std::string ChangeBlock::Bytes() const {
    auto put32 = [](std::string& out, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    std::string out;
    size_t previous = 0;
    for (size_t i = 0; i < records_.size(); ++i) {
        const auto& [action, name] = records_[i];
        std::string nameBytes = ToUtf16Le(name);
        size_t start = out.size();
        out.resize(start + 12 + nameBytes.size());
        put32(out, start + 4, action);
        put32(out, start + 8, static_cast<uint32_t>(nameBytes.size()));
        std::copy(nameBytes.begin(), nameBytes.end(), out.begin() + static_cast<std::ptrdiff_t>(start + 12));
        if (padded_)
            while (out.size() % 4)
                out.push_back('\0');
        if (i > 0) put32(out, previous, static_cast<uint32_t>(start - previous));
        previous = start;
    }
    return out;
}

}  // namespace vantrel::fake

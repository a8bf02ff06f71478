// Change notification: the desktop's change records and watches on folder trees.
#include "platform/Win32Platform.h"

#include <cstring>
#include <memory>
#include <vector>

#include "platform/UniqueHandle.h"

namespace vantrel::win32 {

namespace {

// One overlapped ReadDirectoryChangesW on a folder, kept queued by its owner. The system writes
// into the records until the read has ended, so the destructor waits for that.
class QueuedRead {
  public:
    QueuedRead(unique_handle folder, unique_handle done, DWORD filter)
        : folder_(std::move(folder)), done_(std::move(done)), filter_(filter) {}
    QueuedRead(QueuedRead&&) = delete;

    ~QueuedRead() {
        if (!queued_) return;
        // A read that had already ended cannot be cancelled; either way it is over after the wait.
        ::CancelIoEx(folder_.get(), &overlapped_);
        DWORD ignored = 0;
        ::GetOverlappedResult(folder_.get(), &overlapped_, &ignored, TRUE);
    }

    bool Queue(uint32_t size) {
        if (records_.size() * sizeof(DWORD) != size) records_.assign((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = done_.get();
        queued_ = ::ReadDirectoryChangesW(folder_.get(), records_.data(), size, FALSE, filter_, nullptr, &overlapped_,
                                          nullptr) != 0;
        return queued_;
    }
    // The ended read's result; false with the system's code as the last error.
    bool Result(DWORD& bytes) {
        queued_ = false;
        return ::GetOverlappedResult(folder_.get(), &overlapped_, &bytes, TRUE) != 0;
    }

    bool queued() const { return queued_; }
    HANDLE folder() const { return folder_.get(); }
    HANDLE done() const { return done_.get(); }
    const void* records() const { return records_.data(); }

  private:
    unique_handle folder_;
    unique_handle done_;  // manual-reset event of the queued read
    DWORD filter_;
    OVERLAPPED overlapped_ = {};
    std::vector<DWORD> records_;  // DWORD units keep the records aligned
    bool queued_ = false;
};

bool SameItem(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return ::GetFileInformationByHandle(a, &x) && ::GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

unique_handle OpenFolder(const std::wstring& path, DWORD access, DWORD flags) {
    return unique_handle(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
}

// Keeps one overlapped read queued at all times: a read hands over what its queued read found and
// queues the next one before returning, so the desktop is watched again before the caller has even
// looked at the records.
//
// The folder's parent is watched as well. A watched folder that is removed or renamed may end the
// read with an error, or (Wine) leave it waiting for ever while the folder of that name, made
// again, goes unwatched. A name change beside the folder is the moment to look whether the path
// still leads to the folder watched; when it no longer does, the read fails.
class Win32DirectoryChanges final : public DirectoryChanges {
  public:
    Win32DirectoryChanges(std::wstring path, std::unique_ptr<QueuedRead> folder, std::unique_ptr<QueuedRead> parent)
        : path_(std::move(path)), folder_(std::move(folder)), parent_(std::move(parent)) {
        // Under Wine a watch begins with its first read: both are queued at once, so that nothing
        // done after the open goes unseen.
        folder_->Queue(kBufferSize);
        if (parent_) parent_->Queue(kParentBufferSize);
    }

    SysError Read(void* buffer, uint32_t size, uint32_t& bytes) override {
        bytes = 0;
        if (gone_ != SysError::None) return gone_;
        if (!folder_->queued() && !folder_->Queue(kBufferSize)) return LastFailure();
        while (parent_ && (parent_->queued() || parent_->Queue(kParentBufferSize))) {
            const HANDLE waits[] = {folder_->done(), parent_->done()};
            if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
            DWORD ignored = 0;
            parent_->Result(ignored);
            if (const SysError code = Lost(); code != SysError::None) {
                gone_ = code;
                return code;
            }
        }
        DWORD returned = 0;
        const SysError error = Outcome(folder_->Result(returned));
        const bool ok = error == SysError::None;
        if (ok && returned <= size) memcpy(buffer, folder_->records(), returned);
        // The watch goes on before the caller looks at the records. A failure to queue the next
        // read is reported by the next call, which tries again.
        folder_->Queue(kBufferSize);
        if (!ok) return error;
        // Records that do not fit the caller's buffer are lost like an overflow.
        if (returned > size) return kErrorNotifyEnumDir;
        bytes = returned;
        return SysError::None;
    }

  private:
    static constexpr uint32_t kBufferSize = 0x10000;  // the most a read returns, and a network share's limit
    static constexpr uint32_t kParentBufferSize = 4096;

    // None while the path leads to the folder watched; otherwise why it does not.
    SysError Lost() const {
        unique_handle now = OpenFolder(path_, FILE_READ_ATTRIBUTES, 0);
        if (!now) return LastFailure();
        return SameItem(now.get(), folder_->folder()) ? SysError::None : kErrorFileNotFound;
    }

    std::wstring path_;
    std::unique_ptr<QueuedRead> folder_;
    std::unique_ptr<QueuedRead> parent_;  // null for a drive's root, or a parent that cannot be read
    SysError gone_ = SysError::None;
};

class Win32FolderWatch final : public FolderWatch {
  public:
    explicit Win32FolderWatch(unique_hchange watch) : watch_(std::move(watch)) {}

    WaitResult Wait(uint32_t timeoutMs) override {
        switch (::WaitForSingleObject(watch_.get(), timeoutMs)) {
            case WAIT_OBJECT_0:
                return WaitResult::Changed;
            case WAIT_TIMEOUT:
                return WaitResult::Timeout;
            default:
                return WaitResult::Other;
        }
    }

    SysError Rearm() override { return Outcome(::FindNextChangeNotification(watch_.get()) != 0); }

  private:
    unique_hchange watch_;
};

}  // namespace

SysError WindowsPlatform::OpenDirectoryChanges(const std::wstring& path, std::unique_ptr<DirectoryChanges>& changes) {
    constexpr DWORD kNames = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;
    auto watch = [](const std::wstring& folder, DWORD filter) -> std::unique_ptr<QueuedRead> {
        unique_handle handle = OpenFolder(folder, FILE_LIST_DIRECTORY, FILE_FLAG_OVERLAPPED);
        if (!handle) return nullptr;
        unique_handle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!done) return nullptr;
        return std::make_unique<QueuedRead>(std::move(handle), std::move(done), filter);
    };
    std::unique_ptr<QueuedRead> folder = watch(path, kNames);
    if (!folder) return LastFailure();
    std::wstring bare = path;
    while (bare.size() > 3 && (bare.back() == L'\\' || bare.back() == L'/'))
        bare.pop_back();
    const size_t slash = bare.find_last_of(L"\\/");
    std::unique_ptr<QueuedRead> parent;
    if (slash != std::wstring::npos && slash + 1 < bare.size())
        parent = watch(bare.substr(0, slash + 1), FILE_NOTIFY_CHANGE_DIR_NAME);
    changes = std::make_unique<Win32DirectoryChanges>(bare, std::move(folder), std::move(parent));
    return SysError::None;
}

SysError WindowsPlatform::WatchFolderTree(const std::wstring& path, std::unique_ptr<FolderWatch>& watch) {
    unique_hchange handle(::FindFirstChangeNotificationW(Literal(path).c_str(), TRUE,
                                                         FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME));
    if (!handle) return LastFailure();
    watch = std::make_unique<Win32FolderWatch>(std::move(handle));
    return SysError::None;
}

}  // namespace vantrel::win32

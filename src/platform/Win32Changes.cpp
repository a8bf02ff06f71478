// Change notification: the desktop's change records and watches on folder trees.
#include "platform/Win32Platform.h"

#include <cstring>
#include <vector>

#include "platform/UniqueHandle.h"

namespace vantrel::win32 {

namespace {

// Keeps one overlapped read queued at all times: a read hands over what its queued read found and
// queues the next one before returning, so the desktop is watched again before the caller has even
// looked at the records.
class Win32DirectoryChanges final : public DirectoryChanges {
  public:
    Win32DirectoryChanges(unique_handle directory, unique_handle done)
        : directory_(std::move(directory)), done_(std::move(done)) {}

    ~Win32DirectoryChanges() override {
        // The system writes into records_ until the queued read has ended.
        if (queued_ && ::CancelIoEx(directory_.get(), &overlapped_)) {
            DWORD ignored = 0;
            ::GetOverlappedResult(directory_.get(), &overlapped_, &ignored, TRUE);
        }
    }

    bool Read(void* buffer, uint32_t size, uint32_t& bytes) override {
        bytes = 0;
        if (!queued_ && !Queue(size)) return false;
        DWORD returned = 0;
        const BOOL ok = ::GetOverlappedResult(directory_.get(), &overlapped_, &returned, TRUE);
        queued_ = false;
        if (!ok) return false;
        bytes = returned < size ? returned : size;
        memcpy(buffer, records_.data(), bytes);
        // A failure to queue the next read is reported by the next call, which tries again.
        Queue(size);
        return true;
    }

  private:
    bool Queue(uint32_t size) {
        if (records_.size() * sizeof(DWORD) != size) records_.assign((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = done_.get();
        queued_ = ::ReadDirectoryChangesW(directory_.get(), records_.data(), size, FALSE,
                                          FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, nullptr,
                                          &overlapped_, nullptr) != 0;
        return queued_;
    }

    unique_handle directory_;
    unique_handle done_;  // manual-reset event of the queued read
    OVERLAPPED overlapped_ = {};
    std::vector<DWORD> records_;  // DWORD units keep the records aligned
    bool queued_ = false;
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

    bool Rearm() override { return ::FindNextChangeNotification(watch_.get()) != 0; }

  private:
    unique_hchange watch_;
};

}  // namespace

std::unique_ptr<DirectoryChanges> WindowsPlatform::OpenDirectoryChanges(const std::wstring& path) {
    unique_handle directory(::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (!directory) return nullptr;
    unique_handle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done) return nullptr;
    return std::make_unique<Win32DirectoryChanges>(std::move(directory), std::move(done));
}

std::unique_ptr<FolderWatch> WindowsPlatform::WatchFolderTree(const std::wstring& path) {
    unique_hchange watch(::FindFirstChangeNotificationW(Literal(path).c_str(), TRUE,
                                                        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME));
    if (!watch) return nullptr;
    return std::make_unique<Win32FolderWatch>(std::move(watch));
}

}  // namespace vantrel::win32

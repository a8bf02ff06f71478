// Change notification: the desktop's change records and watches on folder trees.
#include "platform/Win32Platform.h"

#include "platform/UniqueHandle.h"

namespace vantrel::win32 {

namespace {

class Win32DirectoryChanges final : public DirectoryChanges {
  public:
    explicit Win32DirectoryChanges(unique_handle directory) : directory_(std::move(directory)) {}

    bool Read(void* buffer, uint32_t size, uint32_t& bytes) override {
        DWORD returned = 0;
        const BOOL ok = ::ReadDirectoryChangesW(directory_.get(), buffer, size, FALSE,
                                                FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, &returned,
                                                nullptr, nullptr);
        bytes = ok ? returned : 0;
        return ok != 0;
    }

  private:
    unique_handle directory_;
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
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!directory) return nullptr;
    return std::make_unique<Win32DirectoryChanges>(std::move(directory));
}

std::unique_ptr<FolderWatch> WindowsPlatform::WatchFolderTree(const std::wstring& path) {
    unique_hchange watch(::FindFirstChangeNotificationW(Literal(path).c_str(), TRUE,
                                                        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME));
    if (!watch) return nullptr;
    return std::make_unique<Win32FolderWatch>(std::move(watch));
}

}  // namespace vantrel::win32

// The Win32 side of the platform seam, shared by its source files (one per topic: files, change
// notification, the shell and the user's folders, time and threads). Each operation makes the
// calls the program is built around, with the flags the program relies on, and nothing more.
#pragma once

#include <windows.h>

// The seam's operation names are also Win32 macros; behind this header they must stay names.
#undef MoveFile
#undef DeleteFile
#undef CreateDirectory
#undef ReplaceFile

#include <string>

#include "platform/Platform.h"

namespace vantrel::win32 {

class WindowsPlatform final : public Platform {
  public:
    // Files (Win32Files.cpp).
    bool FileExists(const std::wstring& path) override;
    bool DirectoryExists(const std::wstring& path) override;
    SysError GetAttributes(const std::wstring& path, uint32_t& attributes) override;
    SysError MoveFile(const std::wstring& from, const std::wstring& to) override;
    SysError DeleteFile(const std::wstring& path) override;
    SysError CreateDirectory(const std::wstring& path) override;
    SysError ReadFile(const std::wstring& path, std::string& bytes, uint64_t maxBytes) override;
    SysError WriteFile(const std::wstring& path, const std::string& bytes) override;
    SysError ReplaceFile(const std::wstring& path, const std::string& bytes) override;
    SysError OpenLogFile(const std::wstring& path, std::unique_ptr<OpenFile>& file) override;
    // Items and whole-file copies across volumes (Win32Copy.cpp).
    SysError RemoveFolder(const std::wstring& path) override;
    SysError FindItem(const std::wstring& path, ItemInfo& info) override;
    SysError ListFolder(const std::wstring& folder, const std::wstring& pattern, std::vector<ItemInfo>& items) override;
    SysError OpenToMove(const std::wstring& path, std::unique_ptr<SourceFile>& file) override;
    SysError CreateNew(const std::wstring& path, std::unique_ptr<NewFile>& file) override;
    std::wstring VolumeOf(const std::wstring& path) override;
    // Change notification (Win32Changes.cpp).
    SysError OpenDirectoryChanges(const std::wstring& path, std::unique_ptr<DirectoryChanges>& changes) override;
    SysError WatchFolderTree(const std::wstring& path, std::unique_ptr<FolderWatch>& watch) override;
    // The shell and the user's folders (Win32Shell.cpp).
    ShellResult ShellFolderOperation(const std::wstring& from, const std::wstring& to, bool rename) override;
    bool GetSpecialFolder(SpecialFolder folder, std::wstring& path) override;
    std::wstring TempPath() override;
    SysError UserName(std::wstring& name) override;
    void RefreshDesktop() override;
    // Time, text and threads (Win32Platform.cpp).
    uint32_t TickCount() override;
    void Sleep(uint32_t ms) override;
    void LowerCase(std::wstring& text) override;
    std::wstring TimeStamp() override;
    void NameThread(const char* name) override;
    SysError StartThread(ThreadMain main, void* arg, uint32_t stackBytes) override;
};

// The calling thread's last error, read right after the call that failed. Never None: a failure
// must not read as success, even from a call that forgot to set a code.
inline SysError LastFailure() {
    const DWORD code = ::GetLastError();
    return SysError{code != 0 ? code : ERROR_GEN_FAILURE};
}

// None for a call that succeeded, else why it failed.
inline SysError Outcome(bool ok) {
    return ok ? SysError::None : LastFailure();
}

// The path as the system takes it literally (Win32Files.cpp).
std::wstring Literal(const std::wstring& path);

}  // namespace vantrel::win32

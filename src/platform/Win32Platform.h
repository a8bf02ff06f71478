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
    bool MoveFile(const std::wstring& from, const std::wstring& to) override;
    bool DeleteFile(const std::wstring& path) override;
    bool CreateDirectory(const std::wstring& path) override;
    bool ReadFile(const std::wstring& path, std::string& bytes, uint64_t maxBytes) override;
    bool WriteFile(const std::wstring& path, const std::string& bytes) override;
    bool ReplaceFile(const std::wstring& path, const std::string& bytes) override;
    std::unique_ptr<OpenFile> OpenLogFile(const std::wstring& path) override;
    // Items and whole-file copies across volumes (Win32Copy.cpp).
    bool RemoveFolder(const std::wstring& path) override;
    bool FindItem(const std::wstring& path, ItemInfo& info) override;
    bool ListFolder(const std::wstring& folder, const std::wstring& pattern, std::vector<ItemInfo>& items) override;
    std::unique_ptr<SourceFile> OpenToMove(const std::wstring& path) override;
    std::unique_ptr<NewFile> CreateNew(const std::wstring& path) override;
    std::wstring VolumeOf(const std::wstring& path) override;
    // Change notification (Win32Changes.cpp).
    std::unique_ptr<DirectoryChanges> OpenDirectoryChanges(const std::wstring& path) override;
    std::unique_ptr<FolderWatch> WatchFolderTree(const std::wstring& path) override;
    // The shell and the user's folders (Win32Shell.cpp).
    int ShellFolderOperation(const std::wstring& from, const std::wstring& to, bool rename) override;
    bool GetSpecialFolder(SpecialFolder folder, std::wstring& path) override;
    std::wstring TempPath() override;
    bool UserName(std::wstring& name) override;
    void RefreshDesktop() override;
    // Time, errors, text and threads (Win32Platform.cpp).
    uint32_t TickCount() override;
    void Sleep(uint32_t ms) override;
    uint32_t LastError() override;
    void SetLastError(uint32_t code) override;
    void LowerCase(std::wstring& text) override;
    std::wstring TimeStamp() override;
    void NameThread(const char* name) override;
    bool StartThread(ThreadMain main, void* arg, uint32_t stackBytes) override;
};

// The path as the system takes it literally (Win32Files.cpp).
std::wstring Literal(const std::wstring& path);

}  // namespace vantrel::win32

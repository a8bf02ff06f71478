// Items one by one and files opened for copies to another volume: what a move between volumes is
// made of when one rename cannot do it.
#include "platform/Win32Platform.h"

#include "platform/Text.h"
#include "platform/UniqueHandle.h"

namespace vantrel::win32 {

namespace {

uint64_t FromFileTime(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

ItemInfo FromFindData(const WIN32_FIND_DATAW& found) {
    ItemInfo info;
    info.name = found.cFileName;
    info.attributes = found.dwFileAttributes;
    info.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    info.created = FromFileTime(found.ftCreationTime);
    info.lastAccess = FromFileTime(found.ftLastAccessTime);
    info.lastWrite = FromFileTime(found.ftLastWriteTime);
    return info;
}

// Deletes the file behind handle when the handle closes; a read-only file loses that flag first
// (the system refuses to delete it otherwise) and gets it back when the deletion is refused.
SysError DeleteThrough(HANDLE file) {
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) return LastFailure();
    const DWORD attributes = basic.FileAttributes;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFO writable{};
        writable.FileAttributes = (attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL;
        if (!::SetFileInformationByHandle(file, FileBasicInfo, &writable, sizeof writable)) return LastFailure();
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition))
        return SysError::None;
    const SysError code = LastFailure();
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFO again{};
        again.FileAttributes = attributes;
        ::SetFileInformationByHandle(file, FileBasicInfo, &again, sizeof again);
    }
    return code;
}

class Win32SourceFile final : public SourceFile {
  public:
    explicit Win32SourceFile(unique_handle file) : file_(std::move(file)) {}

    SysError Stat(ItemInfo& info) override {
        FILE_BASIC_INFO basic{};
        FILE_STANDARD_INFO standard{};
        if (!::GetFileInformationByHandleEx(file_.get(), FileBasicInfo, &basic, sizeof basic) ||
            !::GetFileInformationByHandleEx(file_.get(), FileStandardInfo, &standard, sizeof standard))
            return LastFailure();
        info.attributes = basic.FileAttributes;
        info.size = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
        info.created = static_cast<uint64_t>(basic.CreationTime.QuadPart);
        info.lastAccess = static_cast<uint64_t>(basic.LastAccessTime.QuadPart);
        info.lastWrite = static_cast<uint64_t>(basic.LastWriteTime.QuadPart);
        return SysError::None;
    }

    SysError Read(void* buffer, uint32_t size, uint32_t& got) override {
        DWORD read = 0;
        const SysError code = Outcome(::ReadFile(file_.get(), buffer, size, &read, nullptr) != 0);
        got = read;
        return code;
    }

    SysError Delete() override { return DeleteThrough(file_.get()); }

  private:
    unique_handle file_;
};

class Win32NewFile final : public NewFile {
  public:
    explicit Win32NewFile(unique_handle file) : file_(std::move(file)) {}

    SysError Write(const void* data, uint32_t size) override {
        DWORD written = 0;
        if (!::WriteFile(file_.get(), data, size, &written, nullptr)) return LastFailure();
        if (written == size) return SysError::None;
        return kErrorDiskFull;  // a short write: the volume had no more room
    }

    SysError Finish(const ItemInfo& like, uint64_t& size) override {
        LARGE_INTEGER length{};
        if (!::FlushFileBuffers(file_.get()) || !::GetFileSizeEx(file_.get(), &length)) return LastFailure();
        size = static_cast<uint64_t>(length.QuadPart);
        FILE_BASIC_INFO basic{};
        basic.CreationTime.QuadPart = static_cast<LONGLONG>(like.created);
        basic.LastAccessTime.QuadPart = static_cast<LONGLONG>(like.lastAccess);
        basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(like.lastWrite);
        basic.FileAttributes = like.attributes & ~FILE_ATTRIBUTE_DIRECTORY;
        return Outcome(::SetFileInformationByHandle(file_.get(), FileBasicInfo, &basic, sizeof basic) != 0);
    }

    SysError Discard() override { return DeleteThrough(file_.get()); }

  private:
    unique_handle file_;
};

}  // namespace

SysError WindowsPlatform::RemoveFolder(const std::wstring& path) {
    return Outcome(::RemoveDirectoryW(Literal(path).c_str()) != 0);
}

SysError WindowsPlatform::FindItem(const std::wstring& path, ItemInfo& info) {
    WIN32_FIND_DATAW found{};
    unique_hfind find(::FindFirstFileW(Literal(path).c_str(), &found));
    if (!find) return LastFailure();
    info = FromFindData(found);
    return SysError::None;
}

SysError WindowsPlatform::ListFolder(const std::wstring& folder,
                                     const std::wstring& pattern,
                                     std::vector<ItemInfo>& items) {
    WIN32_FIND_DATAW found{};
    unique_hfind find(::FindFirstFileW(Literal(WithTrailingBackslash(folder) + pattern).c_str(), &found));
    items.clear();
    if (!find) {
        const SysError code = LastFailure();
        return code == kErrorFileNotFound ? SysError::None : code;  // the folder is there, no name matches
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") items.push_back(FromFindData(found));
    } while (::FindNextFileW(find.get(), &found));
    const SysError code = LastFailure();
    if (code == SysError{ERROR_NO_MORE_FILES}) return SysError::None;
    items.clear();
    return code;
}

SysError WindowsPlatform::OpenToMove(const std::wstring& path, std::unique_ptr<SourceFile>& opened) {
    unique_handle file(::CreateFileW(Literal(path).c_str(), GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES,
                                     FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return LastFailure();
    opened = std::make_unique<Win32SourceFile>(std::move(file));
    return SysError::None;
}

SysError WindowsPlatform::CreateNew(const std::wstring& path, std::unique_ptr<NewFile>& made) {
    unique_handle file(::CreateFileW(Literal(path).c_str(), GENERIC_WRITE | DELETE | FILE_WRITE_ATTRIBUTES,
                                     FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return LastFailure();
    made = std::make_unique<Win32NewFile>(std::move(file));
    return SysError::None;
}

std::wstring WindowsPlatform::VolumeOf(const std::wstring& path) {
    std::wstring root(path.size() + 2, L'\0');
    if (!::GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) return {};
    root.resize(std::char_traits<wchar_t>::length(root.c_str()));
    return root;
}

}  // namespace vantrel::win32

// The Win32 side of the platform seam: each operation makes the calls the program is built
// around, with the flags the program relies on, and nothing more.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

// The seam's operation names are also Win32 macros; inside this file they must stay names.
#undef MoveFile
#undef DeleteFile
#undef CreateDirectory
#undef ReplaceFile

#include <cwchar>
#include <limits>
#include <string>

#include "platform/Platform.h"
#include "platform/Text.h"
#include "platform/UniqueHandle.h"

namespace vantrel {

namespace {

// Closing handles on the way out of a failed call must not hide why it failed.
class LastErrorKeeper {
  public:
    LastErrorKeeper() = default;
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;
    ~LastErrorKeeper() {
        if (armed_) ::SetLastError(code_);
    }
    // Remembers the current error; it is set again when the keeper goes away.
    void Keep() {
        code_ = ::GetLastError();
        armed_ = true;
    }

  private:
    DWORD code_ = 0;
    bool armed_ = false;
};

// Writes all of bytes at the current position, in as few WriteFile calls as the size allows.
bool WriteAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr)) return false;
        if (written != chunk) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Reads from the current position to the end of the file.
bool ReadRest(HANDLE file, std::string& bytes) {
    LARGE_INTEGER size{};
    LARGE_INTEGER position{};
    if (!::GetFileSizeEx(file, &size)) return false;
    if (!::SetFilePointerEx(file, LARGE_INTEGER{}, &position, FILE_CURRENT)) return false;
    const long long left = size.QuadPart - position.QuadPart;
    if (left < 0 || static_cast<unsigned long long>(left) > std::numeric_limits<size_t>::max() / 2) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    std::string result(static_cast<size_t>(left), '\0');
    size_t done = 0;
    while (done < result.size()) {
        const size_t want = result.size() - done;
        const DWORD chunk = want > 0x40000000u ? 0x40000000u : static_cast<DWORD>(want);
        DWORD got = 0;
        if (!::ReadFile(file, result.data() + done, chunk, &got, nullptr)) return false;
        if (got == 0) break;  // the file shrank while we read it
        done += got;
    }
    result.resize(done);
    bytes = std::move(result);
    return true;
}

class Win32OpenFile final : public OpenFile {
  public:
    explicit Win32OpenFile(unique_handle file) : file_(std::move(file)) {}

    bool Append(const void* data, size_t size) override {
        if (size > MAXDWORD) {
            ::SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        // Someone may have read from the start since the last entry: entries always go at the end.
        if (!::SetFilePointerEx(file_.get(), LARGE_INTEGER{}, nullptr, FILE_END)) return false;
        DWORD written = 0;
        if (!::WriteFile(file_.get(), data, static_cast<DWORD>(size), &written, nullptr)) return false;
        if (written != size) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        return true;
    }

    bool ReadAll(std::string& bytes) override {
        if (!::SetFilePointerEx(file_.get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return false;
        return ReadRest(file_.get(), bytes);
    }

    bool Truncate() override {
        if (::SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
            ::GetLastError() != NO_ERROR) {
            return false;
        }
        return ::SetEndOfFile(file_.get()) != 0;
    }

  private:
    unique_handle file_;
};

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

// A locale-formatted piece of the time stamp; empty when the locale cannot format it.
template <typename Format>
std::wstring Formatted(Format format) {
    const int needed = format(nullptr, 0);
    if (needed <= 0) return {};
    std::wstring text(static_cast<size_t>(needed), L'\0');
    const int written = format(text.data(), needed);
    if (written <= 0) return {};
    text.resize(std::wcslen(text.c_str()));
    return text;
}

// The path as the system takes it literally: "\\?\" before the full path, so a last name ending in
// a dot or a blank stays that name and the path may pass MAX_PATH. Such paths skip all parsing,
// so the folder part is made full first (GetFullPathNameW folds "/", "." and ".."); the last name
// is appended as it stands.
std::wstring Literal(const std::wstring& path) {
    static const std::wstring prefix = L"\\\\?\\";
    if (path.compare(0, prefix.size(), prefix) == 0) return path;
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return path;  // a bare name: the system's business
    const std::wstring folder = path.substr(0, slash + 1);
    const DWORD needed = ::GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(folder.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    full = WithTrailingBackslash(std::move(full));
    full.append(path, slash + 1, std::wstring::npos);
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share
    return prefix + full;
}

#pragma pack(push, 8)
struct ThreadNameInfo {
    DWORD dwType;      // 0x1000
    LPCSTR szName;     // the name, 8-bit, zero-terminated
    DWORD dwThreadID;  // 0xFFFFFFFF: the calling thread
    DWORD dwFlags;     // 0
};
#pragma pack(pop)

constexpr DWORD kThreadNameException = 0x406D1388;

void RaiseThreadName(const char* name) {
    ThreadNameInfo info{0x1000, name, 0xFFFFFFFF, 0};
    ::RaiseException(kThreadNameException, 0, sizeof(info) / sizeof(ULONG_PTR),
                     reinterpret_cast<const ULONG_PTR*>(&info));
}

#ifndef _MSC_VER
// GCC has no __try. A vectored handler runs after an attached debugger has had its first look at
// the exception (which is when it names the thread) and before any frame-based handler, so it can
// swallow the exception for everyone else; without a debugger nothing is noticed at all. It lets
// every other exception through and is installed only around the raise.
LONG CALLBACK SwallowThreadName(EXCEPTION_POINTERS* pointers) {
    if (pointers->ExceptionRecord->ExceptionCode == kThreadNameException) return EXCEPTION_CONTINUE_EXECUTION;
    return EXCEPTION_CONTINUE_SEARCH;
}
#endif

class WindowsPlatform final : public Platform {
  public:
    bool FileExists(const std::wstring& path) override {
        WIN32_FIND_DATAW found{};
        unique_hfind find(::FindFirstFileW(Literal(path).c_str(), &found));
        if (!find) return false;
        return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

    bool DirectoryExists(const std::wstring& path) override {
        const DWORD attributes = ::GetFileAttributesW(Literal(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    bool MoveFile(const std::wstring& from, const std::wstring& to) override {
        return ::MoveFileW(Literal(from).c_str(), Literal(to).c_str()) != 0;
    }

    bool DeleteFile(const std::wstring& path) override { return ::DeleteFileW(Literal(path).c_str()) != 0; }

    bool CreateDirectory(const std::wstring& path) override { return ::CreateDirectoryW(path.c_str(), nullptr) != 0; }

    int ShellFolderOperation(const std::wstring& from, const std::wstring& to, bool rename) override {
        // The shell takes lists of paths, each ended by a NUL, the list by one more.
        std::wstring fromList = from;
        fromList.append(2, L'\0');
        std::wstring toList = to;
        toList.append(2, L'\0');

        SHFILEOPSTRUCTW operation{};
        operation.hwnd = nullptr;
        operation.wFunc = rename ? FO_RENAME : FO_MOVE;
        operation.pFrom = fromList.c_str();
        operation.pTo = toList.c_str();
        operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        operation.lpszProgressTitle = nullptr;
        return ::SHFileOperationW(&operation);
    }

    bool ReadFile(const std::wstring& path, std::string& bytes, uint64_t maxBytes) override {
        LastErrorKeeper keeper;
        unique_handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size{};
        if (file && ::GetFileSizeEx(file.get(), &size) && static_cast<uint64_t>(size.QuadPart) > maxBytes) {
            ::SetLastError(ERROR_FILE_TOO_LARGE);
            keeper.Keep();
            return false;
        }
        if (!file || !ReadRest(file.get(), bytes)) {
            keeper.Keep();
            return false;
        }
        return true;
    }

    bool WriteFile(const std::wstring& path, const std::string& bytes) override {
        LastErrorKeeper keeper;
        unique_handle file(
            ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !WriteAll(file.get(), bytes.data(), bytes.size())) {
            keeper.Keep();
            return false;
        }
        return true;
    }

    bool ReplaceFile(const std::wstring& path, const std::string& bytes) override {
        // The process id keeps a second instance starting at the same moment off our temporary file.
        const std::wstring temp = path + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
        LastErrorKeeper keeper;
        {
            unique_handle file(
                ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file) {
                keeper.Keep();
                return false;
            }
            // On disk in full before it takes the old file's place.
            if (!WriteAll(file.get(), bytes.data(), bytes.size()) || !::FlushFileBuffers(file.get())) {
                keeper.Keep();
                file.reset();
                ::DeleteFileW(temp.c_str());
                return false;
            }
        }
        if (!::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            keeper.Keep();
            ::DeleteFileW(temp.c_str());
            return false;
        }
        return true;
    }

    std::unique_ptr<OpenFile> OpenLogFile(const std::wstring& path) override {
        LastErrorKeeper keeper;
        if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            unique_handle created(
                ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!created) {
                keeper.Keep();
                return nullptr;
            }
        }
        // Others may read the log while we run, but nobody else may write it.
        unique_handle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            keeper.Keep();
            return nullptr;
        }
        return std::make_unique<Win32OpenFile>(std::move(file));
    }

    std::unique_ptr<DirectoryChanges> OpenDirectoryChanges(const std::wstring& path) override {
        unique_handle directory(::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!directory) return nullptr;
        return std::make_unique<Win32DirectoryChanges>(std::move(directory));
    }

    std::unique_ptr<FolderWatch> WatchFolderTree(const std::wstring& path) override {
        unique_hchange watch(::FindFirstChangeNotificationW(
            Literal(path).c_str(), TRUE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME));
        if (!watch) return nullptr;
        return std::make_unique<Win32FolderWatch>(std::move(watch));
    }

    uint32_t TickCount() override { return ::GetTickCount(); }

    void Sleep(uint32_t ms) override { ::Sleep(ms); }

    uint32_t LastError() override { return ::GetLastError(); }

    void SetLastError(uint32_t code) override { ::SetLastError(code); }

    void LowerCase(std::wstring& text) override {
        if (!text.empty()) ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    }

    std::wstring TimeStamp() override {
        SYSTEMTIME now{};
        ::GetLocalTime(&now);
        std::wstring stamp = Formatted([&](wchar_t* buffer, int size) {
            return ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, buffer, size);
        });
        // Exactly midnight shows as the date alone.
        if (now.wHour == 0 && now.wMinute == 0 && now.wSecond == 0 && now.wMilliseconds == 0) return stamp;
        stamp += L' ';
        stamp += Formatted([&](wchar_t* buffer, int size) {
            return ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, buffer, size);
        });
        return stamp;
    }

    bool GetSpecialFolder(SpecialFolder folder, std::wstring& path) override {
        wchar_t buffer[MAX_PATH + 1] = {};
        const HRESULT result = ::SHGetFolderPathW(nullptr, static_cast<int>(folder), nullptr, 0, buffer);
        if (FAILED(result) || buffer[0] == L'\0') return false;
        path.assign(buffer);
        return true;
    }

    std::wstring TempPath() override {
        std::wstring path(MAX_PATH + 1, L'\0');
        DWORD length = ::GetTempPathW(MAX_PATH + 1, path.data());
        if (length > MAX_PATH + 1) {
            // Longer than the classic limit: ask again with room for all of it.
            path.assign(static_cast<size_t>(length) + 1, L'\0');
            length = ::GetTempPathW(length + 1, path.data());
        }
        if (length == 0) return {};
        path.resize(std::wcslen(path.c_str()));
        return path;
    }

    bool UserName(std::wstring& name) override {
        wchar_t buffer[257] = {};
        DWORD size = 257;
        if (!::GetUserNameW(buffer, &size) || size == 0) return false;
        name.assign(buffer, size - 1);  // the size counts the terminating NUL
        return true;
    }

    void NameThread(const char* name) override {
#ifdef _MSC_VER
        __try {
            RaiseThreadName(name);
        } __except (EXCEPTION_EXECUTE_HANDLER) {
        }
#else
        PVOID handler = ::AddVectoredExceptionHandler(1, SwallowThreadName);
        if (handler == nullptr) return;  // never raise what nobody would catch
        RaiseThreadName(name);
        ::RemoveVectoredExceptionHandler(handler);
#endif
    }

    void RefreshDesktop() override {
        ::PostMessageA(::GetDesktopWindow(), WM_PAINT, 0, 0);
    }

    bool StartThread(ThreadMain main, void* arg, uint32_t stackBytes) override {
        return StartSystemThread(main, arg, stackBytes);
    }
};

}  // namespace

Platform& Win32Platform() {
    static WindowsPlatform platform;
    return platform;
}

}  // namespace vantrel

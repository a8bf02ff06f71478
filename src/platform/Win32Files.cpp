// Files: existence, moves, whole-file reads and writes, the log file.
#include "platform/Win32Platform.h"

#include <limits>
#include <string>

#include "platform/Text.h"
#include "platform/UniqueHandle.h"

namespace vantrel::win32 {

namespace {

// Writes all of bytes at the current position, in as few WriteFile calls as the size allows.
SysError WriteAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr)) return LastFailure();
        if (written != chunk) return SysError{ERROR_WRITE_FAULT};
        data += written;
        size -= written;
    }
    return SysError::None;
}

// Reads from the current position to the end of the file.
SysError ReadRest(HANDLE file, std::string& bytes) {
    LARGE_INTEGER size{};
    LARGE_INTEGER position{};
    if (!::GetFileSizeEx(file, &size)) return LastFailure();
    if (!::SetFilePointerEx(file, LARGE_INTEGER{}, &position, FILE_CURRENT)) return LastFailure();
    const long long left = size.QuadPart - position.QuadPart;
    if (left < 0 || static_cast<unsigned long long>(left) > std::numeric_limits<size_t>::max() / 2)
        return kErrorNotEnoughMemory;
    std::string result(static_cast<size_t>(left), '\0');
    size_t done = 0;
    while (done < result.size()) {
        const size_t want = result.size() - done;
        const DWORD chunk = want > 0x40000000u ? 0x40000000u : static_cast<DWORD>(want);
        DWORD got = 0;
        if (!::ReadFile(file, result.data() + done, chunk, &got, nullptr)) return LastFailure();
        if (got == 0) break;  // the file shrank while we read it
        done += got;
    }
    result.resize(done);
    bytes = std::move(result);
    return SysError::None;
}

class Win32OpenFile final : public OpenFile {
  public:
    explicit Win32OpenFile(unique_handle file) : file_(std::move(file)) {}

    SysError Append(const void* data, size_t size) override {
        if (size > MAXDWORD) return SysError{ERROR_INVALID_PARAMETER};
        // Someone may have read from the start since the last entry: entries always go at the end.
        if (!::SetFilePointerEx(file_.get(), LARGE_INTEGER{}, nullptr, FILE_END)) return LastFailure();
        DWORD written = 0;
        if (!::WriteFile(file_.get(), data, static_cast<DWORD>(size), &written, nullptr)) return LastFailure();
        if (written != size) return SysError{ERROR_WRITE_FAULT};
        return SysError::None;
    }

    SysError ReadAll(std::string& bytes) override {
        if (!::SetFilePointerEx(file_.get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return LastFailure();
        return ReadRest(file_.get(), bytes);
    }

    SysError Truncate() override {
        if (::SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
            ::GetLastError() != NO_ERROR) {
            return LastFailure();
        }
        return Outcome(::SetEndOfFile(file_.get()) != 0);
    }

  private:
    unique_handle file_;
};

}  // namespace

bool WindowsPlatform::FileExists(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    unique_hfind find(::FindFirstFileW(Literal(path).c_str(), &found));
    if (!find) return false;
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool WindowsPlatform::DirectoryExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(Literal(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

SysError WindowsPlatform::GetAttributes(const std::wstring& path, uint32_t& attributes) {
    const DWORD found = ::GetFileAttributesW(Literal(path).c_str());
    if (found == INVALID_FILE_ATTRIBUTES) return LastFailure();
    attributes = found;
    return SysError::None;
}

SysError WindowsPlatform::MoveFile(const std::wstring& from, const std::wstring& to) {
    // Without MOVEFILE_COPY_ALLOWED: MoveFileW would quietly copy and delete between volumes, and
    // leave a cut copy under the real name when the copy fails.
    return Outcome(::MoveFileExW(Literal(from).c_str(), Literal(to).c_str(), 0) != 0);
}

SysError WindowsPlatform::DeleteFile(const std::wstring& path) {
    return Outcome(::DeleteFileW(Literal(path).c_str()) != 0);
}

SysError WindowsPlatform::CreateDirectory(const std::wstring& path) {
    return Outcome(::CreateDirectoryW(path.c_str(), nullptr) != 0);
}

SysError WindowsPlatform::ReadFile(const std::wstring& path, std::string& bytes, uint64_t maxBytes) {
    unique_handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return LastFailure();
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.get(), &size) && static_cast<uint64_t>(size.QuadPart) > maxBytes)
        return kErrorFileTooLarge;
    return ReadRest(file.get(), bytes);
}

SysError WindowsPlatform::WriteFile(const std::wstring& path, const std::string& bytes) {
    unique_handle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return LastFailure();
    return WriteAll(file.get(), bytes.data(), bytes.size());
}

SysError WindowsPlatform::ReplaceFile(const std::wstring& path, const std::string& bytes) {
    // The process id keeps a second instance starting at the same moment off our temporary file.
    const std::wstring temp = path + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    {
        unique_handle file(
            ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return LastFailure();
        // On disk in full before it takes the old file's place.
        SysError code = WriteAll(file.get(), bytes.data(), bytes.size());
        if (code == SysError::None && !::FlushFileBuffers(file.get())) code = LastFailure();
        if (code != SysError::None) {
            file.reset();
            ::DeleteFileW(temp.c_str());
            return code;
        }
    }
    if (!::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const SysError code = LastFailure();
        ::DeleteFileW(temp.c_str());
        return code;
    }
    return SysError::None;
}

SysError WindowsPlatform::OpenLogFile(const std::wstring& path, std::unique_ptr<OpenFile>& opened) {
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        unique_handle created(
            ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!created) return LastFailure();
    }
    // Others may read the log while we run, but nobody else may write it.
    unique_handle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return LastFailure();
    opened = std::make_unique<Win32OpenFile>(std::move(file));
    return SysError::None;
}

}  // namespace vantrel::win32

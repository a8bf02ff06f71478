// The shell and the user's folders: folder moves, special folders, the temporary folder, the
// user's name, the desktop's repaint.
#include "platform/Win32Platform.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>

namespace vantrel::win32 {

ShellResult WindowsPlatform::ShellFolderOperation(const std::wstring& from, const std::wstring& to, bool rename) {
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
    return ShellResult{::SHFileOperationW(&operation)};
}

bool WindowsPlatform::GetSpecialFolder(SpecialFolder folder, std::wstring& path) {
    wchar_t buffer[MAX_PATH + 1] = {};
    const HRESULT result = ::SHGetFolderPathW(nullptr, static_cast<int>(folder), nullptr, 0, buffer);
    if (FAILED(result) || buffer[0] == L'\0') return false;
    path.assign(buffer);
    return true;
}

std::wstring WindowsPlatform::TempPath() {
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

SysError WindowsPlatform::UserName(std::wstring& name) {
    wchar_t buffer[257] = {};
    DWORD size = 257;
    if (!::GetUserNameW(buffer, &size)) return LastFailure();
    if (size == 0) return SysError{ERROR_INVALID_DATA};  // succeeded with no name at all
    name.assign(buffer, size - 1);                       // the size counts the terminating NUL
    return SysError::None;
}

void WindowsPlatform::RefreshDesktop() {
    ::PostMessageA(::GetDesktopWindow(), WM_PAINT, 0, 0);
}

}  // namespace vantrel::win32

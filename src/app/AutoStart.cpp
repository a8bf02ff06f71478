#include "app/AutoStart.h"

#include <windows.h>

#include <optional>

#include "platform/Text.h"
#include "platform/UniqueHandle.h"

namespace vantrel {

namespace {

// The wide registry interface throughout: a path outside the system's code page is stored intact.
const wchar_t* const kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const kValueName = L"Vantrel";

// The Run key, opened with access; never created. Empty when it is missing or access is refused.
unique_hkey OpenRunKey(REGSAM access) {
    unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, access, key.put()) != ERROR_SUCCESS) key.reset();
    return key;
}

bool ValueExists(HKEY key) {
    return RegQueryValueExW(key, kValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// The value's text; nothing when it is missing, unreadable or not a string (plain or expandable).
std::optional<std::wstring> ReadValue(HKEY key) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, kValueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    // The value may change between the two calls; a second size query and retry is not worth it.
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    // Stored data need not end with a NUL, and may hold more than one: the text ends at the first.
    text.resize(bytes / sizeof(wchar_t));
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

void WriteValue(HKEY key, const std::wstring& path) {
    const DWORD bytes = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
    RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()), bytes);
}

}  // namespace

bool SameRegistration(const std::wstring& a, const std::wstring& b) {
    return AsciiLower(a) == AsciiLower(b);
}

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        // A full buffer may have cut the path: try again with more room (long paths).
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

bool IsAutoStart(const std::wstring& programPath) {
    unique_hkey key = OpenRunKey(KEY_READ);
    if (!key) return false;
    const std::optional<std::wstring> stored = ReadValue(key.get());
    return stored && SameRegistration(*stored, programPath);
}

void SetAutoStart(bool enable, const std::wstring& programPath) {
    unique_hkey key = OpenRunKey(KEY_READ | KEY_WRITE);
    if (!key) return;
    if (!ValueExists(key.get())) {
        if (enable) WriteValue(key.get(), programPath);
        return;
    }
    if (!enable) {
        RegDeleteValueW(key.get(), kValueName);
        return;
    }
    // A value of another type cannot be read as a path and is left as it is.
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), kValueName, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) return;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return;
    const std::optional<std::wstring> stored = ReadValue(key.get());
    if (stored && SameRegistration(*stored, programPath)) return;
    WriteValue(key.get(), programPath);
}

bool IsAutoStart() {
    return IsAutoStart(ProgramPath());
}

void SetAutoStart(bool enable) {
    SetAutoStart(enable, ProgramPath());
}

}  // namespace vantrel

// Time, text and threads; the process's one Win32 platform.
#include "platform/Win32Platform.h"

#include <cwchar>
#include <string>

namespace vantrel {
namespace win32 {

namespace {

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

}  // namespace

uint32_t WindowsPlatform::TickCount() {
    return ::GetTickCount();
}

void WindowsPlatform::Sleep(uint32_t ms) {
    ::Sleep(ms);
}

void WindowsPlatform::LowerCase(std::wstring& text) {
    if (!text.empty()) ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
}

std::wstring WindowsPlatform::TimeStamp() {
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

void WindowsPlatform::NameThread(const char* name) {
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

SysError WindowsPlatform::StartThread(ThreadMain main, void* arg, uint32_t stackBytes) {
    return StartSystemThread(main, arg, stackBytes);
}

}  // namespace win32

Platform& Win32Platform() {
    static win32::WindowsPlatform platform;
    return platform;
}

}  // namespace vantrel

#include "platform/Platform.h"

#include <atomic>
#include <cstdlib>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <system_error>
#include <thread>
#endif

namespace vantrel {

#ifdef _WIN32
Platform& Win32Platform();  // Win32Platform.cpp
#endif

namespace {
std::atomic<Platform*> installed{nullptr};
}

Platform& Os() {
    if (Platform* p = installed.load(std::memory_order_acquire)) return *p;
#ifdef _WIN32
    return Win32Platform();
#else
    std::abort();  // native builds have no OS side: a test forgot to install its fake
#endif
}

void SetPlatform(Platform* platform) {
    installed.store(platform, std::memory_order_release);
}

bool NeedsLiteralPath(const std::wstring& path) {
    constexpr size_t kMaxPath = 260;  // MAX_PATH, with its terminating NUL
    if (path.size() >= kMaxPath) return true;
    return !path.empty() && (path.back() == L'.' || path.back() == L' ');
}

std::wstring Lowered(std::wstring text) {
    Os().LowerCase(text);
    return text;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
    auto canonical = [](std::wstring folder) {
        for (wchar_t& c : folder)
            if (c == L'/') c = L'\\';
        while (folder.size() > 1 && folder.back() == L'\\')
            folder.pop_back();
        return Lowered(folder);
    };
    return !a.empty() && !b.empty() && canonical(a) == canonical(b);
}

bool OnOneVolume(const std::wstring& a, const std::wstring& b) {
    const std::wstring volumeA = Os().VolumeOf(a);
    const std::wstring volumeB = Os().VolumeOf(b);
    return volumeA.empty() || volumeB.empty() || SameFolder(volumeA, volumeB);
}

#ifdef _WIN32
namespace {
struct ThreadStart {
    Platform::ThreadMain main;
    void* arg;
};

unsigned __stdcall ThreadEntry(void* start) {
    ThreadStart copy = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    copy.main(copy.arg);
    return 0;
}
}  // namespace

// A plain CRT thread. MinGW's std::thread (winpthreads) loses or crashes detached threads now and
// then when many start and end at once, so workers do not use it.
SysError StartSystemThread(Platform::ThreadMain main, void* arg, uint32_t stackBytes) {
    auto* start = new ThreadStart{main, arg};
    uintptr_t handle =
        _beginthreadex(nullptr, stackBytes, &ThreadEntry, start, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (handle == 0) {
        // Read before anything else can change it; a refusal without a reason is one for want of memory.
        const DWORD code = GetLastError();
        delete start;
        return SysError{code != 0 ? code : ERROR_NOT_ENOUGH_MEMORY};
    }
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    return SysError::None;
}
#else
SysError StartSystemThread(Platform::ThreadMain main, void* arg, uint32_t) {
    try {
        std::thread(main, arg).detach();
        return SysError::None;
    } catch (const std::system_error&) {
        return kErrorNotEnoughMemory;
    }
}
#endif

}  // namespace vantrel

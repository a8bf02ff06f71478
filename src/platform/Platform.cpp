#include "platform/Platform.h"

#include <atomic>
#include <cstdlib>

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

bool SameFolder(const std::wstring& a, const std::wstring& b) {
    auto canonical = [](std::wstring folder) {
        for (wchar_t& c : folder)
            if (c == L'/') c = L'\\';
        while (folder.size() > 1 && folder.back() == L'\\')
            folder.pop_back();
        Os().LowerCase(folder);
        return folder;
    };
    return !a.empty() && !b.empty() && canonical(a) == canonical(b);
}

}  // namespace vantrel

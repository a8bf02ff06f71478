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

}  // namespace vantrel

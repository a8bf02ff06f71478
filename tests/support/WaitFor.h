// Waiting in a test for something another thread or process brings about.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

namespace vantrel::test {

// Looks at condition every stepMs until it holds or timeoutMs has passed, then once more, so a
// condition met just at the end still counts. True when it held.
inline bool WaitFor(const std::function<bool()>& condition, uint32_t timeoutMs, uint32_t stepMs = 20) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
    return condition();
}

}  // namespace vantrel::test

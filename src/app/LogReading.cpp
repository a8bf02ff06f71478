#include "app/LogReading.h"

#include <chrono>

namespace vantrel {

TLogReading::TLogReading(TLogger& log, HWND window, UINT message)
    : thread_([this, &log, window, message] { Read(log, window, message); }) {}

TLogReading::~TLogReading() {
    thread_.join();
}

void TLogReading::Read(TLogger& log, HWND window, UINT message) {
    std::wstring text;
    std::optional<uint32_t> error;
    try {
        text = log.ReadAll();
    } catch (const TLogFileError& e) {
        error = e.Code();
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        text_ = std::move(text);
        error_ = error;
        done_ = true;
    }
    ended_.notify_all();
    PostMessageW(window, message, 0, 0);
}

bool TLogReading::Wait(DWORD ms) {
    std::unique_lock<std::mutex> guard(lock_);
    return ended_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return done_; });
}

}  // namespace vantrel

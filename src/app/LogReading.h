// The log file read on a thread of its own, so the window's thread never waits for a log of
// many megabytes: reading and decoding 40 MiB takes longer than a click may.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "log/Log.h"

namespace vantrel {

class TLogReading {
  public:
    // Starts reading log; once done, posts message to window (which may be gone by then).
    TLogReading(TLogger& log, HWND window, UINT message);
    // Waits for the read to end.
    ~TLogReading();
    TLogReading(const TLogReading&) = delete;
    TLogReading& operator=(const TLogReading&) = delete;

    // Waits up to ms for the read; true once it has ended.
    bool Wait(DWORD ms);

    // What was read, once Wait is true: the text, or the system's error code.
    std::wstring& Text() { return text_; }
    std::optional<uint32_t> Error() const { return error_; }

  private:
    void Read(TLogger& log, HWND window, UINT message);

    std::mutex lock_;
    std::condition_variable ended_;
    bool done_ = false;
    std::wstring text_;
    std::optional<uint32_t> error_;
    std::thread thread_;
};

}  // namespace vantrel

// A gate that threads wait at until the test opens it.
#pragma once

#include <condition_variable>
#include <mutex>

namespace vantrel::test {

class Gate {
  public:
    void Open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    // Waits until the gate is open.
    void Pass() {
        std::unique_lock<std::mutex> lock(mutex_);
        reached_ = true;
        changed_.wait(lock, [this] { return open_; });
    }
    // Whether a thread has come to the gate.
    bool Reached() {
        std::lock_guard<std::mutex> lock(mutex_);
        return reached_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false, reached_ = false;
};

}  // namespace vantrel::test

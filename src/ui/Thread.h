// The toolkit's worker thread: created suspended, given its inputs, resumed, and (with
// FreeOnTerminate) deleted by itself when Execute returns. Nothing in the program waits
// for a worker; WaitForIdle exists for tests and benchmarks.
#pragma once

#include <atomic>
#include <cstdint>

namespace vantrel {

class TThread {
  public:
    explicit TThread(bool createSuspended = true);
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    virtual ~TThread();

    // Starts Execute on a thread of its own. A second call does nothing. When the system can
    // make no more threads, Execute runs on the caller's thread instead: slower, but no work
    // (a block of desktop changes, a folder waiting to move) is lost.
    void Resume();
    // Asks the body to stop; Execute looks at Terminated() when it can.
    void Terminate() { terminated_.store(true, std::memory_order_relaxed); }

    // Set before Resume: the object deletes itself when Execute returns.
    bool FreeOnTerminate = false;

    // Number of worker bodies running or resumed and not yet finished, in this process.
    static int Running();
    // Blocks until no worker body is running (tests and benchmarks only), or until timeoutMs passes.
    // Returns true when idle.
    static bool WaitForIdle(uint32_t timeoutMs);

  protected:
    virtual void Execute() = 0;
    bool Terminated() const { return terminated_.load(std::memory_order_relaxed); }

  private:
    friend struct ThreadEntry;
    static void Run(TThread* self);

    std::atomic<bool> terminated_{false};
    bool started_ = false;
};

}  // namespace vantrel

// The worker thread: created suspended, given its inputs, resumed, and (with
// FreeOnTerminate) deleted by itself when Execute returns.
//
// Bodies run on a pool of worker threads that grows on demand: a resumed body never waits
// behind a running one (a batch's retries, a note dialog or a folder mover block for seconds).
// A worker that has had nothing to do for a while ends, so an idle program keeps no extra
// threads. When the system can make no thread, resumed bodies wait in order until a worker
// frees up or a later start succeeds; they never run on the caller's thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace vantrel {

class TThread {
  public:
    explicit TThread(bool createSuspended = true);
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    virtual ~TThread();

    // Hands Execute to a worker of the pool. A second call does nothing; after EndAll the body
    // never runs (and the object, with FreeOnTerminate, is deleted at once).
    void Resume();
    // Asks the body to stop; Execute looks at Terminated() when it can.
    void Terminate() { terminated_.store(true, std::memory_order_relaxed); }

    // A body that waits for long looks at the terminate request at least this often.
    static constexpr uint32_t kStopCheckMs = 100;

    // Set before Resume: the object deletes itself when Execute returns.
    bool FreeOnTerminate = false;

    // Number of worker bodies running or resumed and not yet finished, in this process.
    static int Running();
    // Blocks until no worker body is running (tests and benchmarks only), or until timeoutMs passes.
    // Returns true when idle.
    static bool WaitForIdle(uint32_t timeoutMs);

    // Ending the program: takes no new work from here on, asks every body to stop, drops bodies
    // that have not started and waits up to timeoutMs for the running ones that hold work
    // (WaitAtExit). True when they all ended. The pool's bookkeeping is never destroyed, so the
    // process may end with workers still alive.
    static bool EndAll(uint32_t timeoutMs);

    // What the pool reports, for the program's log. StartRefused is called once per installation,
    // at the first start the system refuses (with its error code); BodyFailed whenever an
    // exception leaves a body. Called on the thread where it happened, outside the pool's lock.
    struct Reports {
        std::function<void(uint32_t code)> StartRefused;
        std::function<void(const TThread& thread, const std::string& what)> BodyFailed;
    };
    static void SetReports(Reports reports);

    // Live worker threads of the pool, idle ones included (tests and measurements).
    static int Workers();
    // How long a worker waits for new work before it ends (tests shorten it).
    static void SetIdleTimeout(uint32_t ms);
    // Takes work again after EndAll (tests only).
    static void Reopen();

  protected:
    virtual void Execute() = 0;
    bool Terminated() const { return terminated_.load(std::memory_order_relaxed); }
    // Waits ms milliseconds on the platform's clock, looking at the terminate request every
    // kStopCheckMs. False when the request came (the wait is then cut short).
    bool Pause(uint32_t ms);

    // Whether the end of the program waits for this body. A body that holds no work of its own
    // (the desktop monitor, blocked in its read) clears it.
    bool WaitAtExit = true;

  private:
    friend struct Pool;
    static void Run(TThread* self);

    std::atomic<bool> terminated_{false};
    bool started_ = false;
};

}  // namespace vantrel

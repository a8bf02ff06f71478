// The worker thread: created suspended, given its inputs, resumed, and (with
// FreeOnTerminate) deleted by itself when its work is done.
//
// Bodies run on a small pool of worker threads, at most MaxWorkers() at once, in the order they
// became ready. A body that must wait (a retry's pause, a folder's quiet period, a question to
// the user) does not block its worker: it returns from Execute after asking to be run again
// later (RunAgainIn) or when someone wakes it (Hold, then Wake), and Execute is called again
// then, on whichever worker is free. So a waiting batch never delays the work of later ones.
// A worker that has had nothing to do for a while ends, so an idle program keeps no extra
// threads. When the system can make no thread, ready bodies wait in order until a worker frees
// up or a later start succeeds; they never run on the caller's thread.
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
    // Hands a body that held (see Hold) back to the workers; any thread. A call that comes while
    // the body is still in the Execute that asked to hold makes it run again at once.
    void Wake();
    // Asks the body to stop; Execute looks at Terminated() when it can.
    void Terminate() { terminated_.store(true, std::memory_order_relaxed); }

    // A body that waits for long looks at the terminate request at least this often.
    static constexpr uint32_t kStopCheckMs = 100;

    // Set before Resume: the object deletes itself when Execute returns.
    bool FreeOnTerminate = false;

    // The most workers that run bodies at once (bodies that never end, such as the desktop
    // monitor, have a worker of their own besides): about the core count, never more than 8.
    static int MaxWorkers();

    // Number of worker bodies running or resumed and not yet finished, waiting ones included.
    static int Running();
    // Blocks until no worker body is running or waiting, and no worker still sleeps for one (tests and
    // benchmarks only), or until timeoutMs passes. Returns true when idle.
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
    // Asks, from Execute, to have Execute called again once ms milliseconds have passed on the
    // platform's clock (within kStopCheckMs); at once when the program is ending. The body holds no
    // worker meanwhile.
    void RunAgainIn(uint32_t ms);
    // Asks, from Execute, to have Execute called again after Wake. The body holds no worker
    // meanwhile; the end of the program waits for it like for a running one.
    void Hold();
    // Whether this call of Execute is the body's first.
    bool FirstRun() const { return runs_ == 1; }

    // Whether the end of the program waits for this body. A body that holds no work of its own
    // (the desktop monitor, blocked in its read) clears it.
    bool WaitAtExit = true;

  private:
    friend struct Pool;
    static void Run(TThread* self);

    // What the body asked for when its Execute returns.
    enum class AfterRun { Finish, Delay, Hold };
    // Where the body stands in the pool (pool lock).
    enum class Place { New, Queued, Executing, Delayed, Held };

    std::atomic<bool> terminated_{false};
    bool started_ = false;
    AfterRun next_ = AfterRun::Finish;
    uint32_t delayMs_ = 0;
    Place place_ = Place::New;
    bool woken_ = false;  // Wake came while the body was still executing
    uint32_t runs_ = 0;
};

}  // namespace vantrel

#include "thread/Thread.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Platform.h"

namespace vantrel {

namespace {

// Stack reserved per worker. The bodies keep their big buffers on the heap; the deepest user is a
// batch's note dialog (window procedures of the common controls), which needs far less than this.
// A small reservation lets a 32-bit process hold thousands of blocked workers instead of hundreds.
constexpr uint32_t kWorkerStackBytes = 256 * 1024;
// Bounds of the back-off of a caller that must keep trying to start a worker.
constexpr uint32_t kFirstRetryMs = 10;
constexpr uint32_t kLastRetryMs = 1000;

}  // namespace

// The pool's bookkeeping. Made once and never destroyed: the process may end while workers run.
struct Pool {
    std::mutex mutex;
    std::condition_variable work;     // idle workers wait here for a queued body
    std::condition_variable changed;  // a body ended
    std::deque<TThread*> queue;       // ready bodies no worker has taken yet, in order
    std::vector<TThread*> executing;
    std::multimap<uint64_t, TThread*> delayed;  // waiting bodies by the time they are due (Now)
    std::vector<TThread*> held;                 // bodies waiting for Wake
    int running = 0;                            // queued, executing, delayed or held
    int holding = 0;                            // of those, the ones the end of the program waits for
    int lifelong = 0;                           // executing bodies that never end on their own (WaitAtExit clear)
    int workers = 0;                            // live worker threads, those being started included
    int idle = 0;                               // workers waiting for a body
    int starting = 0;                           // workers started that have not yet looked at the queue
    bool timekeeper = false;                    // a worker sleeps until the next delayed body is due
    bool ending = false;
    bool refusalReported = false;
    uint32_t idleTimeoutMs = 2000;
    uint32_t lastTick = 0;  // the platform's tick count when Now last looked
    uint64_t clock = 0;     // milliseconds counted from the tick count, never wrapping
    TThread::Reports reports;

    static Pool& Get() {
        static Pool* pool = new Pool;
        return *pool;
    }

    // Lock held. Whether the queue holds more bodies than idle and starting workers will take;
    // if so, counts the worker the caller is then to start.
    bool ClaimNewWorker() {
        if (queue.size() <= static_cast<size_t>(idle + starting) || Takers() >= TThread::MaxWorkers()) return false;
        ++starting;
        ++workers;
        return true;
    }

    // Lock held. Whether delayed bodies are left without a worker to keep their time (the one that
    // kept it went to work and no other is idle); if so, counts the worker the caller is to start.
    bool ClaimTimekeeper() {
        if (delayed.empty() || timekeeper || starting > 0 || Takers() >= TThread::MaxWorkers()) return false;
        if (idle > 0) {
            work.notify_one();  // an idle worker takes the time over
            return false;
        }
        ++starting;
        ++workers;
        return true;
    }

    // Lock held. The platform's tick count as a clock that never wraps.
    uint64_t Now() {
        const uint32_t tick = Os().TickCount();
        clock += static_cast<uint32_t>(tick - lastTick);
        lastTick = tick;
        return clock;
    }

    // Lock held. Delayed bodies whose time has come join the ready ones, in the order they fall due.
    void QueueDue() {
        if (delayed.empty()) return;
        const uint64_t now = Now();
        while (!delayed.empty() && delayed.begin()->first <= now) {
            Ready(delayed.begin()->second);
            delayed.erase(delayed.begin());
        }
    }

    // Lock held.
    void Ready(TThread* body) {
        body->place_ = TThread::Place::Queued;
        queue.push_back(body);
        work.notify_one();
    }

    // Lock held. After Execute returned with a wait: the body waits without a worker.
    void Park(TThread* body) {
        if (body->next_ == TThread::AfterRun::Hold && !body->woken_) {
            body->place_ = TThread::Place::Held;
            held.push_back(body);
            return;
        }
        body->woken_ = false;
        if (body->next_ == TThread::AfterRun::Delay && !ending && body->delayMs_ > 0) {
            body->place_ = TThread::Place::Delayed;
            delayed.emplace(Now() + body->delayMs_, body);
            return;
        }
        Ready(body);
    }

    // Lock held, released meanwhile. Sleeps until the next delayed body is due, at most
    // kStopCheckMs at a time so that new work and the end of the program are seen in time.
    void KeepTime(std::unique_lock<std::mutex>& lock) {
        timekeeper = true;
        const uint64_t due = delayed.begin()->first, now = Now();
        const uint32_t slice =
            due > now ? static_cast<uint32_t>(std::min<uint64_t>(due - now, TThread::kStopCheckMs)) : 0;
        lock.unlock();
        if (slice > 0) Os().Sleep(slice);
        lock.lock();
        timekeeper = false;
        changed.notify_all();  // WaitForIdle counts a sleep under way as work
    }

    // Starts a worker claimed by ClaimNewWorker. On a refusal the claim is given back and the
    // first refusal is reported.
    bool StartWorker() {
        const SysError refused = Os().StartThread(&WorkerMain, this, kWorkerStackBytes);
        if (refused == SysError::None) return true;
        const uint32_t code = Number(refused);
        std::function<void(uint32_t)> report;
        {
            std::lock_guard<std::mutex> lock(mutex);
            --starting;
            --workers;
            if (!refusalReported) {
                refusalReported = true;
                report = reports.StartRefused;
            }
        }
        if (report) report(code);
        return false;
    }

    // Starts a worker claimed by ClaimNewWorker for a body just made ready. When no thread could
    // be made, a worker that frees up takes the queue in order; when none ever will (only the
    // caller runs, or only bodies that never end), keeps trying from here, with a growing pause,
    // but never runs the waiting work on this thread.
    void StartWorkerOrKeepTrying() {
        if (StartWorker()) return;
        auto nobodyElseWill = [this] {
            std::lock_guard<std::mutex> lock(mutex);
            return !queue.empty() && !ending && Takers() == 0;
        };
        for (uint32_t waitMs = kFirstRetryMs; nobodyElseWill(); waitMs = std::min(waitMs * 2, kLastRetryMs)) {
            Os().Sleep(waitMs);
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (queue.empty() || ending || Takers() > 0 || !ClaimNewWorker()) return;
            }
            if (StartWorker()) return;
        }
    }

    static void WorkerMain(void* arg) { static_cast<Pool*>(arg)->Serve(); }

    void Serve() {
        std::unique_lock<std::mutex> lock(mutex);
        --starting;
        for (;;) {
            QueueDue();
            if (!queue.empty()) {
                TThread* body = queue.front();
                queue.pop_front();
                body->place_ = TThread::Place::Executing;
                executing.push_back(body);
                if (!body->WaitAtExit) ++lifelong;
                // Bodies left waiting by a refused start each get a worker of their own as soon as
                // the system allows it again, not one after the other on this one.
                bool more = ClaimNewWorker() || ClaimTimekeeper();
                lock.unlock();
                if (more) StartWorker();
                TThread::Run(body);
                lock.lock();
                continue;
            }
            if (ending) break;
            if (!delayed.empty() && !timekeeper) {
                KeepTime(lock);
                continue;
            }
            // Idle: wait for a body, and end after idleTimeoutMs without one. The decision is taken
            // under the lock with the queue empty and the time of delayed bodies kept, so no body is
            // ever left without a taker.
            ++idle;
            const auto since = std::chrono::steady_clock::now();
            bool expired = false;
            while (queue.empty() && !ending && !expired && (delayed.empty() || timekeeper)) {
                const auto deadline = since + std::chrono::milliseconds(idleTimeoutMs);
                expired = std::chrono::steady_clock::now() >= deadline;
                if (!expired) work.wait_until(lock, deadline);
            }
            --idle;
            if (expired) break;
        }
        --workers;
        changed.notify_all();
    }

    // Lock held. Workers that will take a queued body sooner or later: all but those running a
    // body that never ends.
    int Takers() const { return workers - lifelong; }
};

TThread::TThread(bool createSuspended) {
    // Workers are always created suspended and resumed by their creator once their fields are set.
    (void)createSuspended;
}

TThread::~TThread() = default;

void TThread::Resume() {
    if (started_) return;
    started_ = true;
    Pool& pool = Pool::Get();
    bool start = false;
    {
        std::lock_guard<std::mutex> lock(pool.mutex);
        if (pool.ending) {
            // The program is ending: the body never runs.
            if (FreeOnTerminate) delete this;
            return;
        }
        ++pool.running;
        if (WaitAtExit) ++pool.holding;
        pool.Ready(this);
        start = pool.ClaimNewWorker();
    }
    // From here on a worker may already be running this body, or have deleted it.
    if (start) pool.StartWorkerOrKeepTrying();
}

void TThread::Wake() {
    Pool& pool = Pool::Get();
    bool start = false;
    {
        std::lock_guard<std::mutex> lock(pool.mutex);
        if (place_ == Place::Executing) {
            woken_ = true;
            return;
        }
        if (place_ != Place::Held) return;
        pool.held.erase(std::find(pool.held.begin(), pool.held.end(), this));
        pool.Ready(this);
        start = pool.ClaimNewWorker();
    }
    if (start) pool.StartWorkerOrKeepTrying();
}

void TThread::RunAgainIn(uint32_t ms) {
    next_ = AfterRun::Delay;
    delayMs_ = ms;
}

void TThread::Hold() {
    next_ = AfterRun::Hold;
}

void TThread::Run(TThread* self) {
    // No exception may leave a thread body: the process would end. It is reported instead.
    std::string failure;
    bool failed = false;
    self->next_ = AfterRun::Finish;
    ++self->runs_;
    try {
        self->Execute();
    } catch (const std::exception& e) {
        failed = true;
        failure = e.what();
    } catch (...) {
        failed = true;
        failure = "unknown exception";
    }
    Pool& pool = Pool::Get();
    if (failed) {
        std::function<void(const TThread&, const std::string&)> report;
        {
            std::lock_guard<std::mutex> lock(pool.mutex);
            report = pool.reports.BodyFailed;
        }
        if (report) report(*self, failure);
    }
    const bool holds = self->WaitAtExit;
    {
        // Out of the list before it may go, so EndAll never touches a deleted body.
        std::lock_guard<std::mutex> lock(pool.mutex);
        pool.executing.erase(std::find(pool.executing.begin(), pool.executing.end(), self));
        if (!holds) --pool.lifelong;
        if (!failed && self->next_ != AfterRun::Finish) {
            // This worker goes back to the pool and takes it again when it is ready.
            pool.Park(self);
            return;
        }
    }
    if (self->FreeOnTerminate) delete self;
    std::lock_guard<std::mutex> lock(pool.mutex);
    --pool.running;
    if (holds) --pool.holding;
    pool.changed.notify_all();
}

int TThread::MaxWorkers() {
    static const int most = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 4, 8);
    return most;
}

int TThread::Running() {
    Pool& pool = Pool::Get();
    std::lock_guard<std::mutex> lock(pool.mutex);
    return pool.running;
}

bool TThread::WaitForIdle(uint32_t timeoutMs) {
    Pool& pool = Pool::Get();
    std::unique_lock<std::mutex> lock(pool.mutex);
    return pool.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return pool.running == 0 && !pool.timekeeper; });
}

bool TThread::EndAll(uint32_t timeoutMs) {
    Pool& pool = Pool::Get();
    std::deque<TThread*> dropped;
    std::unique_lock<std::mutex> lock(pool.mutex);
    pool.ending = true;
    for (TThread* body : pool.executing)
        body->Terminate();
    for (TThread* body : pool.held)
        body->Terminate();
    // Bodies that have begun their work finish it, told to stop; those that never ran are dropped.
    std::deque<TThread*> ready;
    for (TThread* body : pool.queue)
        (body->runs_ > 0 ? ready : dropped).push_back(body);
    pool.queue.swap(ready);
    for (auto& [due, body] : pool.delayed)
        pool.Ready(body);
    pool.delayed.clear();
    for (TThread* body : pool.queue)
        body->Terminate();
    for (TThread* body : dropped) {
        --pool.running;
        if (body->WaitAtExit) --pool.holding;
    }
    pool.work.notify_all();
    pool.changed.notify_all();
    lock.unlock();
    for (TThread* body : dropped)
        if (body->FreeOnTerminate) delete body;
    lock.lock();
    return pool.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return pool.holding == 0; });
}

void TThread::SetReports(Reports reports) {
    Pool& pool = Pool::Get();
    std::lock_guard<std::mutex> lock(pool.mutex);
    pool.reports = std::move(reports);
    pool.refusalReported = false;
}

int TThread::Workers() {
    Pool& pool = Pool::Get();
    std::lock_guard<std::mutex> lock(pool.mutex);
    return pool.workers;
}

void TThread::SetIdleTimeout(uint32_t ms) {
    Pool& pool = Pool::Get();
    std::lock_guard<std::mutex> lock(pool.mutex);
    pool.idleTimeoutMs = ms;
    pool.work.notify_all();  // idle workers measure their wait again
}

void TThread::Reopen() {
    Pool& pool = Pool::Get();
    std::lock_guard<std::mutex> lock(pool.mutex);
    pool.ending = false;
}

}  // namespace vantrel

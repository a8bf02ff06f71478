#include "thread/Thread.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
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
    std::deque<TThread*> queue;       // resumed bodies no worker has taken yet, in order
    std::vector<TThread*> executing;
    int running = 0;   // queued or executing
    int holding = 0;   // of those, the ones the end of the program waits for
    int lifelong = 0;  // executing bodies that never end on their own (WaitAtExit clear)
    int workers = 0;   // live worker threads, those being started included
    int idle = 0;      // workers waiting for a body
    int starting = 0;  // workers started that have not yet looked at the queue
    bool ending = false;
    bool refusalReported = false;
    uint32_t idleTimeoutMs = 5000;
    TThread::Reports reports;

    static Pool& Get() {
        static Pool* pool = new Pool;
        return *pool;
    }

    // Lock held. Whether the queue holds more bodies than idle and starting workers will take;
    // if so, counts the worker the caller is then to start.
    bool ClaimNewWorker() {
        if (queue.size() <= static_cast<size_t>(idle + starting)) return false;
        ++starting;
        ++workers;
        return true;
    }

    // Starts a worker claimed by ClaimNewWorker. On a refusal the claim is given back and the
    // first refusal is reported.
    bool StartWorker() {
        if (Os().StartThread(&WorkerMain, this, kWorkerStackBytes)) return true;
        uint32_t code = Os().LastError();
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

    static void WorkerMain(void* arg) { static_cast<Pool*>(arg)->Serve(); }

    void Serve() {
        std::unique_lock<std::mutex> lock(mutex);
        --starting;
        for (;;) {
            if (!queue.empty()) {
                TThread* body = queue.front();
                queue.pop_front();
                executing.push_back(body);
                if (!body->WaitAtExit) ++lifelong;
                // Bodies left waiting by a refused start each get a worker of their own as soon as
                // the system allows it again, not one after the other on this one.
                bool more = ClaimNewWorker();
                lock.unlock();
                if (more) StartWorker();
                TThread::Run(body);
                lock.lock();
                continue;
            }
            if (ending) break;
            // Idle: wait for a body, and end after idleTimeoutMs without one. The decision is taken
            // under the lock with the queue empty, so no body is ever left without a taker.
            ++idle;
            const auto since = std::chrono::steady_clock::now();
            bool expired = false;
            while (queue.empty() && !ending && !expired) {
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
        pool.queue.push_back(this);
        start = pool.ClaimNewWorker();
        pool.work.notify_one();
    }
    // From here on a worker may already be running this body, or have deleted it.
    if (!start || pool.StartWorker()) return;

    // No thread could be made. A worker that frees up takes the queue in order; when none ever
    // will (only the caller runs, or only bodies that never end), keep trying from here, with a
    // growing pause, but never run the waiting work on this thread.
    auto nobodyElseWill = [&pool] {
        std::lock_guard<std::mutex> lock(pool.mutex);
        return !pool.queue.empty() && !pool.ending && pool.Takers() == 0;
    };
    for (uint32_t waitMs = kFirstRetryMs; nobodyElseWill(); waitMs = std::min(waitMs * 2, kLastRetryMs)) {
        Os().Sleep(waitMs);
        {
            std::lock_guard<std::mutex> lock(pool.mutex);
            if (pool.queue.empty() || pool.ending || pool.Takers() > 0 || !pool.ClaimNewWorker()) return;
        }
        if (pool.StartWorker()) return;
    }
}

void TThread::Run(TThread* self) {
    // No exception may leave a thread body: the process would end. It is reported instead.
    std::string failure;
    bool failed = false;
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
    }
    if (self->FreeOnTerminate) delete self;
    std::lock_guard<std::mutex> lock(pool.mutex);
    --pool.running;
    if (holds) --pool.holding;
    pool.changed.notify_all();
}

bool TThread::Pause(uint32_t ms) {
    while (ms > 0) {
        if (Terminated()) return false;
        uint32_t slice = std::min(ms, kStopCheckMs);
        Os().Sleep(slice);
        ms -= slice;
    }
    return !Terminated();
}

int TThread::Running() {
    Pool& pool = Pool::Get();
    std::lock_guard<std::mutex> lock(pool.mutex);
    return pool.running;
}

bool TThread::WaitForIdle(uint32_t timeoutMs) {
    Pool& pool = Pool::Get();
    std::unique_lock<std::mutex> lock(pool.mutex);
    return pool.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return pool.running == 0; });
}

bool TThread::EndAll(uint32_t timeoutMs) {
    Pool& pool = Pool::Get();
    std::deque<TThread*> dropped;
    std::unique_lock<std::mutex> lock(pool.mutex);
    pool.ending = true;
    for (TThread* body : pool.executing)
        body->Terminate();
    dropped.swap(pool.queue);
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

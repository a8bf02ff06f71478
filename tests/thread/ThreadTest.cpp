// The worker pool: bursts of workers that start workers, reuse of idle workers, bodies that block,
// refused thread starts, exceptions that leave a body and the end of the program.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Gate.h"
#include "fakes/FakePlatform.h"
#include "thread/Thread.h"

namespace vantrel::test {
namespace {

std::atomic<int> bodiesRun{0};

class Worker : public TThread {
  public:
    explicit Worker(int depth) : TThread(true), depth_(depth) { FreeOnTerminate = true; }

  protected:
    void Execute() override {
        ++bodiesRun;
        for (int i = 0; depth_ > 0 && i < 3; ++i)
            (new Worker(depth_ - 1))->Resume();
    }

  private:
    int depth_;
};

// Runs a function as its body and notes the thread it ran on.
class Task : public TThread {
  public:
    explicit Task(std::function<void(Task&)> body, bool waitAtExit = true) : TThread(true), body_(std::move(body)) {
        FreeOnTerminate = true;
        WaitAtExit = waitAtExit;
    }
    using TThread::FirstRun;
    using TThread::Hold;
    using TThread::RunAgainIn;
    using TThread::Terminated;
    std::thread::id ranOn;

  protected:
    void Execute() override {
        ranOn = std::this_thread::get_id();
        body_(*this);
    }

  private:
    std::function<void(Task&)> body_;
};

// Records what happened in order, from any thread.
class Journal {
  public:
    void Add(const std::string& entry) {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.push_back(entry);
    }
    std::vector<std::string> Entries() {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> entries_;
};

bool Eventually(const std::function<bool()>& ready, int timeoutMs = 10000) {
    for (int waited = 0; waited < timeoutMs; waited += 5) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return ready();
}

class ThreadTest : public ::testing::Test {
  protected:
    void SetUp() override { TThread::SetIdleTimeout(5000); }
    void TearDown() override {
        os->AllowThreads();
        EXPECT_TRUE(TThread::WaitForIdle(20000)) << TThread::Running() << " still running";
        TThread::SetReports({});
        TThread::Reopen();
    }
    // Lets every idle worker end, so the next start needs a new thread.
    void NoWorkersLeft() {
        TThread::SetIdleTimeout(1);
        ASSERT_TRUE(Eventually([] { return TThread::Workers() == 0; })) << TThread::Workers() << " workers left";
        TThread::SetIdleTimeout(5000);
    }
    fake::FakeOs os;
};

// A burst of short workers, many starting and ending at once: every body runs exactly once, and
// the count of running workers comes back to zero.
TEST_F(ThreadTest, EveryWorkerOfABurstRunsAndEnds) {
    for (int burst = 0; burst < 5; ++burst) {
        bodiesRun = 0;
        for (int i = 0; i < 60; ++i)
            (new Worker(2))->Resume();
        ASSERT_TRUE(TThread::WaitForIdle(60000)) << "burst " << burst << ": " << TThread::Running() << " still running";
        EXPECT_EQ(bodiesRun.load(), 60 * (1 + 3 + 9)) << "burst " << burst;
        EXPECT_EQ(TThread::Running(), 0);
    }
}

// Resume twice starts the body once.
TEST_F(ThreadTest, ASecondResumeDoesNothing) {
    bodiesRun = 0;
    auto* worker = new Worker(0);
    worker->FreeOnTerminate = false;
    worker->Resume();
    worker->Resume();
    ASSERT_TRUE(TThread::WaitForIdle(10000));
    EXPECT_EQ(bodiesRun.load(), 1);
    delete worker;
}

// Workers are reused: bodies started one after the other run on few threads, never on the caller's,
// and once idle for a while the workers end, leaving no thread behind.
TEST_F(ThreadTest, IdleWorkersAreReusedAndEndAfterAWhile) {
    NoWorkersLeft();
    std::set<std::thread::id> threads;
    for (int i = 0; i < 50; ++i) {
        auto* task = new Task([](Task&) {});
        task->FreeOnTerminate = false;
        task->Resume();
        ASSERT_TRUE(TThread::WaitForIdle(10000));
        threads.insert(task->ranOn);
        delete task;
    }
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
    EXPECT_LE(threads.size(), 10u) << "a new thread for nearly every body";
    EXPECT_GE(TThread::Workers(), 1);

    NoWorkersLeft();
    EXPECT_EQ(TThread::Workers(), 0);
}

// No more than MaxWorkers bodies run at once, however many block; the others wait for a worker
// to free up, the first resumed first.
TEST_F(ThreadTest, AtMostMaxWorkersRunAtOnceAndTheRestInOrder) {
    const int most = TThread::MaxWorkers();
    EXPECT_GE(most, 2);
    EXPECT_LE(most, 8);
    Gate gate;
    std::atomic<int> now{0}, peak{0};
    Journal journal;
    for (int i = 0; i < most + 6; ++i)
        (new Task([&, i](Task&) {
            const int running = ++now;
            for (int seen = peak.load(); running > seen && !peak.compare_exchange_weak(seen, running);) {
            }
            journal.Add(std::to_string(i));
            if (i < most) gate.Pass();
            --now;
        }))->Resume();
    ASSERT_TRUE(Eventually([&] { return now.load() == most; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(now.load(), most) << "a body ran beyond the limit or none waited";
    std::set<std::string> first, all;
    for (int i = 0; i < most; ++i)
        first.insert(std::to_string(i));
    auto entries = journal.Entries();
    EXPECT_EQ(std::set<std::string>(entries.begin(), entries.end()), first);
    EXPECT_LE(TThread::Workers(), most);
    gate.Open();
    ASSERT_TRUE(TThread::WaitForIdle(10000));
    EXPECT_EQ(peak.load(), most);
    entries = journal.Entries();
    EXPECT_EQ(entries.size(), static_cast<size_t>(most + 6));
    for (int i = 0; i < most + 6; ++i)
        all.insert(std::to_string(i));
    EXPECT_EQ(std::set<std::string>(entries.begin(), entries.end()), all);
}

// Bodies that wait, for a wake or for time, hold no worker: with many of them waiting, new work
// runs at once, and each waiting body runs again when woken or when its time has come (on the
// platform's clock), also when the wake comes before its Execute has returned.
TEST_F(ThreadTest, WaitingBodiesHoldNoWorker) {
    std::vector<Task*> held;
    std::atomic<int> woken{0}, timed{0};
    std::vector<uint64_t> waitedMs(10);
    for (int i = 0; i < 50; ++i) {
        held.push_back(new Task([&](Task& self) {
            if (self.FirstRun()) return self.Hold();
            ++woken;
        }));
        held.back()->Resume();
    }
    for (size_t i = 0; i < waitedMs.size(); ++i)
        (new Task([&, i, start = uint64_t{0}](Task& self) mutable {
            if (self.FirstRun()) {
                start = os->Now();
                return self.RunAgainIn(static_cast<uint32_t>(1000 + 100 * i));
            }
            waitedMs[i] = os->Now() - start;
            ++timed;
        }))->Resume();
    ASSERT_TRUE(Eventually([&] { return timed.load() == 10; }));
    for (size_t i = 0; i < waitedMs.size(); ++i)
        EXPECT_GE(waitedMs[i], 1000 + 100 * i);
    std::atomic<bool> ran{false};
    (new Task([&](Task&) { ran = true; }))->Resume();
    EXPECT_TRUE(Eventually([&] { return ran.load(); }));
    EXPECT_EQ(woken.load(), 0);
    EXPECT_LE(TThread::Workers(), TThread::MaxWorkers());
    EXPECT_EQ(TThread::Running(), 50);
    for (Task* task : held)
        task->Wake();
    ASSERT_TRUE(TThread::WaitForIdle(10000));
    EXPECT_EQ(woken.load(), 50);

    std::atomic<int> runs{0};
    (new Task([&](Task& self) {
        if (++runs > 1) return;
        self.Hold();
        self.Wake();  // before this Execute has returned
    }))->Resume();
    ASSERT_TRUE(TThread::WaitForIdle(10000));
    EXPECT_EQ(runs.load(), 2);
}

// With thread starts refused, waiting bodies run in order on the next worker that frees up, never
// on the caller's thread, and the refusal is reported once with the system's code.
TEST_F(ThreadTest, RefusedStartsWaitInOrderForTheNextFreeWorker) {
    std::vector<uint32_t> refusals;
    std::mutex refusalsMutex;
    TThread::Reports reports;
    reports.StartRefused = [&](uint32_t code) {
        std::lock_guard<std::mutex> lock(refusalsMutex);
        refusals.push_back(code);
    };
    TThread::SetReports(reports);
    NoWorkersLeft();

    Gate gate;
    Journal journal;
    auto* first = new Task([&](Task&) {
        journal.Add("first");
        gate.Pass();
    });
    first->FreeOnTerminate = false;
    first->Resume();
    ASSERT_TRUE(Eventually([&] { return journal.Entries().size() == 1; }));

    os->RefuseThreads(-1, kErrorNotEnoughMemory);
    std::vector<Task*> waiting;
    for (int i = 0; i < 5; ++i) {
        waiting.push_back(new Task([&journal, i](Task&) { journal.Add("waiting " + std::to_string(i)); }));
        waiting.back()->FreeOnTerminate = false;
        waiting.back()->Resume();  // returns at once: the busy worker will take it
    }
    EXPECT_EQ(journal.Entries().size(), 1u) << "a waiting body ran before a worker freed up";
    EXPECT_EQ(TThread::Running(), 6);

    gate.Open();
    ASSERT_TRUE(TThread::WaitForIdle(10000));
    EXPECT_EQ(journal.Entries(),
              (std::vector<std::string>{"first", "waiting 0", "waiting 1", "waiting 2", "waiting 3", "waiting 4"}));
    for (Task* task : waiting) {
        EXPECT_EQ(task->ranOn, first->ranOn);
        delete task;
    }
    delete first;
    EXPECT_GE(os->refusedThreads(), 5);
    std::lock_guard<std::mutex> lock(refusalsMutex);
    EXPECT_EQ(refusals, std::vector<uint32_t>{8});
}

// With no worker at all that could take it, a body whose start is refused is not stranded: the
// caller keeps trying until a start succeeds, and the body runs on the new worker.
TEST_F(ThreadTest, WithNoWorkerLeftTheCallerKeepsTryingUntilAStartSucceeds) {
    NoWorkersLeft();
    os->RefuseThreads(4);
    auto* task = new Task([](Task&) {});
    task->FreeOnTerminate = false;
    task->Resume();
    ASSERT_TRUE(TThread::WaitForIdle(10000));
    EXPECT_EQ(os->refusedThreads(), 4);
    EXPECT_NE(task->ranOn, std::thread::id());
    EXPECT_NE(task->ranOn, std::this_thread::get_id());
    delete task;
}

// The same from inside a body that never ends on its own (as the desktop monitor): it keeps trying
// too, so the work it started is not left waiting for a worker that never frees up.
TEST_F(ThreadTest, ABodyThatNeverEndsKeepsTryingForTheWorkItStarts) {
    NoWorkersLeft();
    std::atomic<bool> childRan{false};
    Gate refuse, stop;
    auto* lifelong = new Task(
        [&](Task&) {
            refuse.Pass();
            (new Task([&](Task&) { childRan = true; }))->Resume();
            stop.Pass();
        },
        false);
    lifelong->Resume();
    os->RefuseThreads(3);
    refuse.Open();
    EXPECT_TRUE(Eventually([&] { return childRan.load(); }));
    EXPECT_EQ(os->refusedThreads(), 3);
    stop.Open();
    EXPECT_TRUE(TThread::WaitForIdle(10000));
}

// An exception that leaves a body is reported with what it was; the pool goes on working.
TEST_F(ThreadTest, AnExceptionLeavingABodyIsReported) {
    Journal journal;
    TThread::Reports reports;
    reports.BodyFailed = [&](const TThread&, const std::string& what) { journal.Add(what); };
    TThread::SetReports(reports);

    (new Task([](Task&) { throw std::runtime_error("disk on fire"); }))->Resume();
    ASSERT_TRUE(TThread::WaitForIdle(10000));
    (new Task([](Task&) { throw 42; }))->Resume();
    ASSERT_TRUE(TThread::WaitForIdle(10000));
    std::atomic<bool> ran{false};
    (new Task([&](Task&) { ran = true; }))->Resume();
    ASSERT_TRUE(TThread::WaitForIdle(10000));
    EXPECT_TRUE(ran);
    EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"disk on fire", "unknown exception"}));
}

// The end of the program: running bodies are asked to stop, and a body waiting for its time runs
// at once, told to stop; a body that never ends on its own is not waited for; bodies not yet
// started and bodies resumed later never run.
TEST_F(ThreadTest, EndAllStopsBodiesAndTakesNoNewWork) {
    NoWorkersLeft();
    Gate lifelongStop;
    auto* lifelong = new Task([&](Task&) { lifelongStop.Pass(); }, false);
    lifelong->Resume();

    std::atomic<bool> pausing{false}, pauseCut{false};
    (new Task([&](Task& self) {
        if (self.Terminated()) {
            pauseCut = true;
            return;
        }
        pausing = true;
        self.RunAgainIn(3600 * 1000);
    }))->Resume();
    ASSERT_TRUE(Eventually([&] { return pausing.load(); }));

    // Every worker busy, and two bodies waiting for one.
    const int most = TThread::MaxWorkers();
    Gate busy;
    std::atomic<int> busyRunning{0};
    for (int i = 0; i < most; ++i)
        (new Task([&](Task&) {
            ++busyRunning;
            busy.Pass();
        }))->Resume();
    ASSERT_TRUE(Eventually([&] { return busyRunning.load() == most; }));
    std::atomic<int> neverRun{0};
    (new Task([&](Task&) { ++neverRun; }))->Resume();
    (new Task([&](Task&) { ++neverRun; }))->Resume();

    // The busy bodies ignore the request: the end waits only as long as it is told.
    auto begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(TThread::EndAll(300));
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(250));
    busy.Open();
    EXPECT_TRUE(TThread::EndAll(10000));
    EXPECT_TRUE(pauseCut);

    (new Task([&](Task&) { ++neverRun; }))->Resume();
    lifelongStop.Open();
    ASSERT_TRUE(TThread::WaitForIdle(10000));
    EXPECT_EQ(neverRun.load(), 0);
}

}  // namespace
}  // namespace vantrel::test

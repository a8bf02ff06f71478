// Workers that start workers, as the monitor starts batches and a batch starts folder movers.
#include <gtest/gtest.h>

#include <atomic>

#include "ui/Thread.h"

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

// A burst of short workers, many starting and ending at once, in a fresh process: every body
// runs exactly once, and the count of running workers comes back to zero.
TEST(ThreadTest, EveryWorkerOfABurstRunsAndEnds) {
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
TEST(ThreadTest, ASecondResumeDoesNothing) {
    bodiesRun = 0;
    auto* worker = new Worker(0);
    worker->FreeOnTerminate = false;
    worker->Resume();
    worker->Resume();
    ASSERT_TRUE(TThread::WaitForIdle(10000));
    EXPECT_EQ(bodiesRun.load(), 1);
    delete worker;
}

}  // namespace
}  // namespace vantrel::test

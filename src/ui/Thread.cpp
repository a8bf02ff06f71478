#include "ui/Thread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vantrel {

namespace {
std::mutex idleMutex;
std::condition_variable idleChanged;
int running = 0;
}  // namespace

TThread::TThread(bool createSuspended) {
    // Workers are always created suspended and resumed by their creator once their fields are set.
    (void)createSuspended;
}

TThread::~TThread() = default;

void TThread::Resume() {
    if (started_) return;
    started_ = true;
    {
        std::lock_guard<std::mutex> lock(idleMutex);
        ++running;
    }
    std::thread(&TThread::Run, this).detach();
}

void TThread::Run(TThread* self) {
    // No exception may leave a thread body: the process would end.
    try {
        self->Execute();
    } catch (...) {
    }
    if (self->FreeOnTerminate) delete self;
    std::lock_guard<std::mutex> lock(idleMutex);
    if (--running == 0) idleChanged.notify_all();
}

int TThread::Running() {
    std::lock_guard<std::mutex> lock(idleMutex);
    return running;
}

bool TThread::WaitForIdle(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(idleMutex);
    return idleChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return running == 0; });
}

}  // namespace vantrel

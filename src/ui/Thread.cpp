#include "ui/Thread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <system_error>
#include <thread>
#endif

namespace vantrel {

namespace {
std::mutex idleMutex;
std::condition_variable idleChanged;
int running = 0;
}  // namespace

// Starts a worker's body on a new thread; false when the system cannot make one.
struct ThreadEntry {
#ifdef _WIN32
    // A plain CRT thread. MinGW's std::thread (winpthreads) loses or crashes detached threads
    // now and then when many start and end at once, so workers do not use it.
    static unsigned __stdcall Main(void* self) {
        TThread::Run(static_cast<TThread*>(self));
        return 0;
    }
    static bool Start(TThread* self) {
        uintptr_t handle = _beginthreadex(nullptr, 0, &Main, self, 0, nullptr);
        if (handle == 0) return false;
        CloseHandle(reinterpret_cast<HANDLE>(handle));
        return true;
    }
#else
    static bool Start(TThread* self) {
        try {
            std::thread(&TThread::Run, self).detach();
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    }
#endif
};

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
    if (!ThreadEntry::Start(this)) Run(this);
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

// TFileMonitor: the one long-lived worker that watches the desktop directory for name changes
// and starts a move batch for every block of change notifications that arrives unpaused.
#pragma once

#include <cstdint>

#include "settings/Options.h"
#include "thread/Thread.h"

namespace vantrel {

class TFileMonitor : public TThread {
  public:
    explicit TFileMonitor(bool createSuspended);

    TOptions* Settings = nullptr;  // set before Resume; shared, not owned
    uint32_t ErrorCode = 0;        // the system error code that stopped monitoring

    // Size of the one notification buffer the monitor reuses for every read.
    static constexpr uint32_t kBufferSize = 0x10000;

  protected:
    void Execute() override;

  private:
    void NameThread();
};

}  // namespace vantrel

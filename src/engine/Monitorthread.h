// TFileMonitor: the one long-lived worker that watches the desktop directory for name changes
// and starts a move batch for every block of change notifications that arrives unpaused. It keeps
// a picture of the desktop's names, so that changes the system lost are found by listing the
// desktop again, and a watch that fails is opened again until it works.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/Journal.h"
#include "engine/Picture.h"
#include "platform/Platform.h"
#include "settings/Options.h"
#include "thread/Thread.h"

namespace vantrel {

class TFileMonitor : public TThread {
  public:
    explicit TFileMonitor(bool createSuspended);

    TOptions* Settings = nullptr;  // set before Resume; shared, not owned
    uint32_t ErrorCode = 0;        // the system error code of the last failure to watch
    // Called on the monitor's thread whenever it starts or stops watching the desktop (set before
    // Resume). It is not watching when the desktop could not be opened, or after a failed read
    // until the watch is open again.
    std::function<void(bool watching)> WatchChanged;
    // Handed to every batch, which records its moves there (set before Resume; may stay empty).
    std::shared_ptr<TJournal> Journal;

    // Size of the one notification buffer the monitor reuses for every read.
    static constexpr uint32_t kBufferSize = 0x10000;
    // After a failed read the watch is opened again after 1 s, then after twice the last wait,
    // up to this.
    static constexpr uint32_t kFirstRewatchMs = 1000;
    static constexpr uint32_t kLastRewatchMs = 60000;

  protected:
    void Execute() override;

  private:
    void NameThread();
    void Watch(DirectoryChanges& desktop);
    // Lists the desktop and hands the names the picture did not hold to a batch. False when the
    // desktop could not be listed.
    bool Rescan(bool log);
    void StartBatch(std::vector<char> block);
    // Opens the watch again, waiting longer after every failure; null at the end of the program.
    std::unique_ptr<DirectoryChanges> Rewatch();
    void SetWatching(bool watching);

    TDesktopPicture picture_;
    std::unique_ptr<uint32_t[]> buffer_;
    uint32_t rewatchMs_ = kFirstRewatchMs;
};

}  // namespace vantrel

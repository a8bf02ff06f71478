// TMoveDirectory: the delayed folder mover. Waits until nothing inside a new desktop folder has
// changed for a whole quiet period, takes it under a holding name and moves it into the target.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/Journal.h"
#include "platform/Text.h"
#include "settings/Options.h"
#include "thread/Thread.h"

namespace vantrel {

class FolderWatch;

class TMoveDirectory : public TThread {
  public:
    explicit TMoveDirectory(bool createSuspended);

    std::wstring FolderName;       // relative to the desktop folder, lowercased
    TOptions* Settings = nullptr;  // shared, not owned
    // The folder's move is recorded under the batch that found it, when set.
    std::shared_ptr<TJournal> Journal;
    uint64_t Batch = 0;

    // Consecutive waits that return neither a change nor a time-out before the mover gives up.
    static constexpr int kMaxOtherWaits = 100;

  protected:
    void Execute() override;

  private:
    // How the wait for a quiet period ended.
    enum class WaitEnd {
        Taken,        // the folder bears its holding name
        RearmFailed,  // it still bears its own name
        Vanished,     // it left the desktop: nothing to move
        NoProgress,   // the wait kept returning neither a change nor a time-out
        Stopped,      // the program is ending: the folder keeps its own name
    };

    int32_t ShellOperation(const std::wstring& from, const std::wstring& to, bool rename);
    void RenameClash(StringList& lines);
    WaitEnd WaitUntilQuiet(FolderWatch& watch, const std::wstring& holdingName, int32_t& result);
    int32_t MoveToTarget(const std::wstring& holdingName);
    int32_t MoveAcross(const std::wstring& from);
    void GiveNameBack(const std::wstring& holdingName);

    std::wstring name_;  // the folder's name on the desktop as the user wrote it
    uint32_t tick_ = 0;  // names the holding folder and its copy on another volume
    std::wstring note_;  // a line that says more than the error code
    JournalItem moved_;  // what the journal gets of a completed move
};

}  // namespace vantrel

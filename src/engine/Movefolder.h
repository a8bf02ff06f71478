// TMoveDirectory: the delayed folder mover. Waits until nothing inside a new desktop folder has
// changed for a whole quiet period, takes it under a holding name and moves it into the target.
// While it waits it holds no worker: it looks at its watch every kStopCheckMs from a new run of
// Execute.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/FolderResult.h"
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

    FolderResult ShellOperation(const std::wstring& from, const std::wstring& to, bool rename);
    // Makes room in the target, starts the watch and the first quiet period; false when the watch
    // could not start.
    bool Begin();
    void RenameClash();
    // A quiet period starts now, as long as the settings say at this moment.
    void StartQuietPeriod();
    // Looks at the watch once; true with end set when the wait is over, else the next look is
    // asked for.
    bool Look(WaitEnd& end);
    bool Vanished();
    // Moves the folder (unless the wait ended without it) and logs the outcome.
    void Finish(WaitEnd end);
    FolderResult MoveToTarget(const std::wstring& holdingName);
    FolderResult MoveAcross(const std::wstring& from);
    void GiveNameBack(const std::wstring& holdingName);

    std::wstring name_;  // the folder's name on the desktop as the user wrote it
    uint32_t tick_ = 0;  // names the holding folder and its copy on another volume
    std::unique_ptr<FolderWatch> watch_;
    std::wstring holdingName_;
    StringList lines_;  // the report
    FolderResult result_;
    uint32_t quietSince_ = 0;  // the tick count when the current quiet period began
    uint32_t delay_ = 1;       // its length in milliseconds
    int otherWaits_ = 0;
    std::wstring note_;  // a line that says more than the error code
    JournalItem moved_;  // what the journal gets of a completed move
};

}  // namespace vantrel

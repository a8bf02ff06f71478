// The two commands around the journal: TUndo puts the newest batch back on the desktop, and a
// tidy moves what is on the desktop now as one batch.
#pragma once

#include <memory>

#include "engine/Journal.h"
#include "platform/Errors.h"
#include "platform/Text.h"
#include "settings/Options.h"
#include "thread/Thread.h"

namespace vantrel {

// Takes the newest batch out of the journal and moves its items back, then logs one report.
class TUndo : public TThread {
  public:
    explicit TUndo(bool createSuspended);

    TOptions* Settings = nullptr;  // shared, not owned
    std::shared_ptr<TJournal> Journal;

  protected:
    void Execute() override;

  private:
    // Puts one item back and says how in lines; returns the move's code.
    SysError MoveBack(const JournalItem& item, StringList& lines);
    SysError Move(const JournalItem& item, const std::wstring& desktop);
    void RenameBack(const JournalItem& item, const std::wstring& kind, StringList& lines);
};

// The items on the desktop that a tidy would move, as they are named there: what the masks do not
// keep, folders only when folders are moved, never the program's own holding names or copies.
StringList TidyItems(const TOptions& settings);
// Moves those items as one batch, exactly as if they had just been saved, and journals it.
void StartTidy(TOptions* settings, std::shared_ptr<TJournal> journal, const StringList& items);

}  // namespace vantrel

// TFileMove: one move batch. Turns a block of change notifications into a work list of new
// desktop items, optionally asks for a quick note, moves the items and logs one report.
#pragma once

#include <memory>
#include <vector>

#include "engine/Journal.h"
#include "platform/Text.h"
#include "settings/Options.h"
#include "thread/Thread.h"

namespace vantrel {

class TFileMove : public TThread {
  public:
    explicit TFileMove(bool createSuspended);

    // The batch's private copy of the notification records; released as soon as the walk is over.
    std::vector<char> Buffer;
    TOptions* Settings = nullptr;  // shared, not owned

    std::shared_ptr<TJournal> Journal;  // records the batch's moves when set; shared

    StringList FileList;  // lowercased item names, in record order
    StringList Report;    // the report lines, in the order they arise

    // Acts on every name of FileList and appends one line per outcome to Report.
    void MoveItems();
    // Asks for a note, records it and moves the items unless the user aborts.
    void QueryNote();

  protected:
    void Execute() override;

  private:
    void WalkBuffer();
    // One attempt to move the file name; false with the system's code in error. movedTo_ is where
    // it went.
    bool MoveOnce(const std::wstring& name, uint32_t& error);
    // The rules after a failed first attempt; what the clash rule did goes into item.
    bool MoveFileItem(const std::wstring& name, uint32_t error, JournalItem& item);
    void AddHeader();

    StringList names_;  // FileList's names as the records gave them, letter case kept
    uint64_t batch_ = 0;
    std::wstring movedTo_;
    std::vector<JournalItem> moved_;
};

}  // namespace vantrel

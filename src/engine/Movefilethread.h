// TFileMove: one move batch. Turns a block of change notifications into a work list of new
// desktop items, optionally asks for a quick note, moves the items and logs one report.
//
// The batch holds no worker while it waits: for the user's note it holds until the answer comes,
// and a file in use is tried again from a later run of Execute, a second on. Its items are worked
// one after the other, so a waiting item delays only the items after it in the same batch.
#pragma once

#include <memory>
#include <vector>

#include "engine/Journal.h"
#include "engine/Note.h"
#include "platform/Errors.h"
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

  protected:
    void Execute() override;

  private:
    // Where the batch stands between the runs of Execute.
    enum class Step { Walk, Note, Move };

    // Walks the block and decides what comes next; false when the batch has nothing more to do.
    bool Begin();
    // Asks for a note on a thread of its own; the batch holds until the answer comes.
    void QueryNote();
    // Records the user's note; false when the items are not to be moved.
    bool TakeNote();
    // Acts on the names of FileList from next_ on and appends one line per outcome to Report.
    // False when an item waits for its next attempt.
    bool MoveItems();
    // The first attempt at a file failed with error: makes room, tries again and, when the file is
    // still in use, waits for the next attempt (false).
    bool StartRetries(const std::wstring& name, SysError error);
    // The next attempt after a wait; false when the file waits for yet another.
    bool Retry(const std::wstring& name);
    void EndItem(const std::wstring& name, bool moved);
    void Finish();
    void WalkBuffer();
    // One attempt to move the file name from desktop_ into target_; false with the system's code
    // in error. movedTo_ is where it went.
    bool MoveOnce(const std::wstring& name, SysError& error);
    // Makes room in the target once: the file already there goes aside or away (into item_).
    void MakeRoom(const std::wstring& name);
    void AddHeader();

    StringList names_;  // FileList's names as the records gave them, letter case kept
    uint64_t batch_ = 0;
    Step step_ = Step::Walk;
    NoteAnswer note_;  // the user's answer, written by the note's thread before it wakes the batch
    size_t next_ = 0;  // the item being worked
    // The item waiting for its next attempt: its journal record so far, the last code met, the timed
    // attempts made and the extra ones allowed.
    bool waiting_ = false;
    JournalItem item_;
    SysError error_ = SysError::None;
    int32_t attempts_ = 0, extra_ = 0;
    std::wstring movedTo_;
    // The desktop and target folders as the settings said at the start of this run.
    std::wstring desktop_, target_;
    std::vector<JournalItem> moved_;
};

}  // namespace vantrel

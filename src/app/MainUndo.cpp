// The main window's two commands around the journal of moves: "&Undo last move" puts the newest
// batch back on the desktop, "Tidy &now" asks, then moves what is on the desktop as one batch.
// Both work while moving is paused and while the window is shown.
#include <string>

#include "app/Main.h"
#include "engine/Journal.h"
#include "engine/Undo.h"

namespace vantrel {

void TMainForm::UpdateUndoAction() {
    undoAction_->SetEnabled(!journal_->Empty());
}

void TMainForm::UndoActionExecute() {
    // A hotkey may come while there is nothing to put back.
    if (journal_->Empty()) return;
    // The worker frees itself.
    auto* undo = new TUndo(true);
    undo->Settings = &options_;
    undo->Journal = journal_;
    undo->FreeOnTerminate = true;
    undo->Resume();
}

void TMainForm::TidyActionExecute() {
    // One question at a time: the hotkey again while a box is open does nothing.
    if (askingTidy_) return;
    askingTidy_ = true;
    const StringList items = TidyItems(options_);
    int answer = IDNO;
    if (items.empty()) {
        MessageBoxW(Handle(), L"Nothing to move.", kAppTitle, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    } else {
        // The folder as the user names it: without the backslash that ends it (a drive keeps it).
        std::wstring target = options_.DestinationFolder();
        if (target.size() > 3 && target.back() == L'\\') target.pop_back();
        const std::wstring question =
            L"Move " + std::to_wstring(items.size()) + L" items from the desktop to " + target + L"?";
        answer = MessageBoxW(Handle(), question.c_str(), kAppTitle, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
    }
    askingTidy_ = false;
    // The program may have ended while the question was open.
    if (answer == IDYES && !destroyed_) StartTidy(&options_, journal_, items);
}

}  // namespace vantrel

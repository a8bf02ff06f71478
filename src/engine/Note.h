// The quick-note prompt a move batch shows before it moves anything.
//
// The engine only asks: the program installs its "Quick Note" form (TNoteForm) with SetNotePrompt
// at start, tests install their own prompts. Without one the note is skipped and the items moved.
#pragma once

#include <functional>
#include <string>

namespace vantrel {

// Modal results of the note form.
constexpr int kNoteOk = 1;     // "&OK"
constexpr int kNoteSkip = 2;   // "&Don't save note", Escape, the title-bar close
constexpr int kNoteAbort = 3;  // "&Abort"

struct NoteAnswer {
    int ModalResult = kNoteSkip;
    std::wstring FileName;  // the path left in the file-name box
    std::wstring Text;      // the memo's text exactly as the control holds it (lines joined by CR LF)
};

// Shows the note form modally on the calling thread, with no owner, and returns when the user has
// closed it. fileName fills the file-name box, which takes edits only when fileNameEnabled is set.
using NotePrompt = NoteAnswer (*)(const std::wstring& fileName, bool fileNameEnabled);

// Asks the installed prompt on a thread of its own, where the form's window lives for as long as
// it is open, and hands the answer to done there. The caller goes on at once. Without a prompt,
// or when no thread can be made (the form cannot be shown), done gets the skipped note at once on
// the caller's thread.
void AskNoteApart(const std::wstring& fileName, bool fileNameEnabled, std::function<void(NoteAnswer)> done);
// Installs a prompt; nullptr removes it.
void SetNotePrompt(NotePrompt prompt);

}  // namespace vantrel

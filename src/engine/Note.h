// The quick-note prompt a move batch shows before it moves anything.
//
// The engine only asks: the program installs its "Quick Note" form (TNoteForm) with SetNotePrompt
// at start, tests install their own prompts. Without one the note is skipped and the items moved.
#pragma once

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

// Asks the installed prompt; any thread.
NoteAnswer AskNote(const std::wstring& fileName, bool fileNameEnabled);
// Installs a prompt; nullptr removes it.
void SetNotePrompt(NotePrompt prompt);

}  // namespace vantrel

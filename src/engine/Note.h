// The quick-note prompt a move batch shows before it moves anything.
//
// On Windows AskNote shows the modal "Quick Note" dialog (TNoteForm) on the calling thread and
// waits for its result. Tests install their own prompt with SetNotePrompt.
#pragma once

#include <string>

namespace vantrel {

// Modal results of the note dialog.
constexpr int kNoteOk = 1;     // "&OK"
constexpr int kNoteSkip = 2;   // "&Don't save note", Escape, the title-bar close
constexpr int kNoteAbort = 3;  // "&Abort"

struct NoteAnswer {
    int ModalResult = kNoteSkip;
    std::wstring FileName;  // the path left in the file-name box
    std::wstring Text;      // the memo's text exactly as the control holds it (lines joined by CR LF)
};

using NotePrompt = NoteAnswer (*)(const std::wstring& fileName, bool fileNameEnabled);

// Shows the prompt: the installed one, else the dialog (Windows). Any thread.
NoteAnswer AskNote(const std::wstring& fileName, bool fileNameEnabled);
// Installs a prompt (tests); nullptr restores the dialog.
void SetNotePrompt(NotePrompt prompt);

#ifdef _WIN32
// The "Quick Note" dialog (TNoteForm): shown modally on the calling thread, with no owner, and
// returns when the user closes it. fileName fills the file-name box, which takes edits only when
// fileNameEnabled is set.
NoteAnswer ShowNoteForm(const std::wstring& fileName, bool fileNameEnabled);
#endif

}  // namespace vantrel

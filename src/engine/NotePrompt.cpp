#include <atomic>

#include "engine/Note.h"

namespace vantrel {

#ifdef _WIN32
// The dialog (Note.cpp); repeated here so this file does not depend on when Note.h declares it.
NoteAnswer ShowNoteForm(const std::wstring& fileName, bool fileNameEnabled);
#endif

namespace {
std::atomic<NotePrompt> installedPrompt{nullptr};
}

NoteAnswer AskNote(const std::wstring& fileName, bool fileNameEnabled) {
    if (NotePrompt prompt = installedPrompt.load()) return prompt(fileName, fileNameEnabled);
#ifdef _WIN32
    return ShowNoteForm(fileName, fileNameEnabled);
#else
    // No dialog without Windows: the note is skipped and the items are moved.
    NoteAnswer answer;
    answer.ModalResult = kNoteSkip;
    answer.FileName = fileName;
    return answer;
#endif
}

void SetNotePrompt(NotePrompt prompt) {
    installedPrompt.store(prompt);
}

}  // namespace vantrel

#include <atomic>

#include "engine/Note.h"

namespace vantrel {

namespace {
std::atomic<NotePrompt> installedPrompt{nullptr};
}

NoteAnswer AskNote(const std::wstring& fileName, bool fileNameEnabled) {
    if (NotePrompt prompt = installedPrompt.load()) return prompt(fileName, fileNameEnabled);
    // Nobody to ask: the note is skipped and the items are moved.
    NoteAnswer answer;
    answer.ModalResult = kNoteSkip;
    answer.FileName = fileName;
    return answer;
}

void SetNotePrompt(NotePrompt prompt) {
    installedPrompt.store(prompt);
}

}  // namespace vantrel

#include <atomic>
#include <memory>

#include "engine/Note.h"
#include "platform/Platform.h"

namespace vantrel {

namespace {

std::atomic<NotePrompt> installedPrompt{nullptr};

// Stack reserved for a note's thread: the form and the common controls' window procedures.
constexpr uint32_t kNoteStackBytes = 256 * 1024;

struct Question {
    NotePrompt prompt;
    std::wstring fileName;
    bool fileNameEnabled;
    std::function<void(NoteAnswer)> done;
};

void AskOnThisThread(void* arg) {
    std::unique_ptr<Question> question(static_cast<Question*>(arg));
    Os().NameThread("Quick Note");
    question->done(question->prompt(question->fileName, question->fileNameEnabled));
}

NoteAnswer Skipped(const std::wstring& fileName) {
    NoteAnswer answer;
    answer.ModalResult = kNoteSkip;
    answer.FileName = fileName;
    return answer;
}

}  // namespace

void AskNoteApart(const std::wstring& fileName, bool fileNameEnabled, std::function<void(NoteAnswer)> done) {
    NotePrompt prompt = installedPrompt.load();
    if (!prompt) return done(Skipped(fileName));
    auto question = std::make_unique<Question>(Question{prompt, fileName, fileNameEnabled, std::move(done)});
    if (Os().StartThread(&AskOnThisThread, question.get(), kNoteStackBytes) == SysError::None) {
        question.release();  // the thread owns it now
        return;
    }
    question->done(Skipped(fileName));
}

void SetNotePrompt(NotePrompt prompt) {
    installedPrompt.store(prompt);
}

}  // namespace vantrel

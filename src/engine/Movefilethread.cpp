#include "engine/Movefilethread.h"

#include <cstdint>

#include "engine/Across.h"
#include "engine/ChangeRecords.h"
#include "engine/Masks.h"
#include "engine/Movefolder.h"
#include "engine/Names.h"
#include "engine/Note.h"
#include "platform/Platform.h"

namespace vantrel {

namespace {

constexpr uint32_t kRetryWaitMs = 1000;

// A name that appended to the desktop folder would name the desktop itself or something outside
// it: empty, "." or with a ".." step. The system never reports such names for the desktop's own
// items; a damaged block must not make the batch move the desktop or its parent.
bool OutsideTheDesktop(const std::wstring& name) {
    if (name.empty() || name == L".") return true;
    size_t start = 0;
    for (;;) {
        const size_t end = name.find_first_of(L"\\/", start);
        if (name.compare(start, end == std::wstring::npos ? std::wstring::npos : end - start, L"..") == 0) return true;
        if (end == std::wstring::npos) return false;
        start = end + 1;
    }
}

}  // namespace

TFileMove::TFileMove(bool createSuspended) : TThread(createSuspended) {}

void TFileMove::Execute() {
    switch (step_) {
        case Step::Walk:
            if (!Begin()) return Finish();
            if (step_ == Step::Note) return;  // held until the user answers
            break;
        case Step::Note:
            if (!TakeNote()) return Finish();
            break;
        case Step::Move:
            break;
    }
    if (MoveItems()) Finish();
}

bool TFileMove::Begin() {
    FileList.clear();
    Report.clear();
    if (Journal) batch_ = Journal->NewBatch();
    WalkBuffer();
    std::vector<char>().swap(Buffer);

    // A block whose items were all dropped leaves no trace in the log.
    if (FileList.empty()) return false;

    // Moving into the desktop would turn every item into its own clash: nothing is touched.
    const std::wstring target = Settings->DestinationFolder();
    if (SameFolder(target, Settings->DesktopFolder())) {
        Report.push_back(L"Nothing moved: the target folder " + target + L" is the desktop folder.");
        return false;
    }
    if (Settings->QuickNote()) {
        QueryNote();
        return true;
    }
    AddHeader();
    step_ = Step::Move;
    return true;
}

void TFileMove::Finish() {
    if (Report.empty()) return;
    // Journaled before it is told: whoever reads of a move can undo it.
    if (Journal) Journal->Record(batch_, moved_);
    Settings->Logger()->AddLine(JoinLines(Report));
}

void TFileMove::WalkBuffer() {
    const ChangeRecords records(Buffer.data(), Buffer.size());
    const TMasks masks(*Settings);
    bool afterHoldingName = false;
    records.Walk([&](uint32_t action, size_t at) {
        const bool renamedFrom = action == kFileActionRenamedOldName;
        const bool renamedTo = action == kFileActionRenamedNewName;
        // Removals and changes pass without their names being read.
        if (action != kFileActionAdded && !renamedFrom && !renamedTo) {
            afterHoldingName = false;
            return;
        }
        const std::wstring raw = records.RawName(at);
        std::wstring name = raw;
        Os().LowerCase(name);
        // A rename away from a holding name is the folder mover giving a folder it could not
        // move its name back: the folder is no new item.
        const bool restored = renamedTo && afterHoldingName;
        afterHoldingName = renamedFrom && StartsWith(name, kHoldingPrefix);
        if (renamedFrom || restored || OutsideTheDesktop(name) || masks.Keep(name)) return;
        // An item that an undo has just put back stays on the desktop (from another drive it
        // arrives by a rename).
        if (Journal && Journal->TakeKept(name)) return;
        if (renamedTo && !Settings->MoveRenamed()) return;
        FileList.push_back(std::move(name));
        names_.push_back(raw);
    });
}

void TFileMove::AddHeader() {
    Report.push_back(L">> Operation report for " + IntToStr(static_cast<int32_t>(FileList.size())) + L" files <<");
}

void TFileMove::QueryNote() {
    step_ = Step::Note;
    Hold();
    AskNoteApart(Settings->DestinationFolder() + FileList.front() + L".txt", Settings->SaveNoteFiles(),
                 [this](NoteAnswer answer) {
                     note_ = std::move(answer);
                     Wake();
                 });
}

bool TFileMove::TakeNote() {
    const NoteAnswer& answer = note_;
    switch (answer.ModalResult) {
        case kNoteOk:
            if (Settings->SaveNoteFiles()) {
                std::string bytes = "\xFF\xFE" + ToUtf16Le(answer.Text);
                // An emptied file-name box names no file: the note cannot be written.
                const SysError code =
                    answer.FileName.empty() ? kErrorPathNotFound : Os().WriteFile(answer.FileName, bytes);
                if (code != SysError::None) {
                    // The note comes before the items: without it nothing is moved.
                    Report.clear();
                    Report.push_back(L"Comments not saved to file: " + answer.FileName +
                                     L" (files not moved). Error code: " + SignedStr(Number(code)));
                    return false;
                }
                Report.push_back(L"Comments saved to file: " + answer.FileName);
            }
            Report.push_back(L"Comments' text:" + answer.Text);
            break;
        case kNoteAbort:
            Report.push_back(L"User aborted operation.");
            return false;
        default:
            break;
    }
    AddHeader();
    step_ = Step::Move;
    return true;
}

bool TFileMove::MoveItems() {
    // Once for this run rather than for every call: a target chosen meanwhile applies from the
    // next run on, such as a waiting file's next attempt.
    desktop_ = Settings->DesktopFolder();
    target_ = Settings->DestinationFolder();
    for (; next_ < FileList.size(); ++next_) {
        const std::wstring& name = FileList[next_];
        if (waiting_) {
            if (!Retry(name)) return false;
            continue;
        }
        const std::wstring source = desktop_ + name;
        if (Os().DirectoryExists(source)) {
            if (!Settings->MoveFolder()) continue;
            Report.push_back(L"Folder: " + name + L" movement initialized");
            auto* mover = new TMoveDirectory(true);
            mover->Settings = Settings;
            mover->FolderName = name;
            mover->Journal = Journal;
            mover->Batch = batch_;
            mover->FreeOnTerminate = true;
            mover->Resume();
            continue;
        }
        item_ = JournalItem{};
        item_.name = names_[next_];
        // A plain file into a free name costs two calls in all. The move never replaces, so the
        // target is looked at only when the move fails; a failed move leaves everything in place.
        if (SysError error = SysError::None; MoveOnce(name, error)) {
            EndItem(name, true);
        } else if (Os().FileExists(source)) {
            if (!StartRetries(name, error)) return false;
        } else {
            Report.push_back(L"File: " + name + L" not exist or deleted");
        }
    }
    return true;
}

void TFileMove::EndItem(const std::wstring& name, bool moved) {
    waiting_ = false;
    if (!moved) {
        Report.push_back(L"File: " + name + L" not moved. Error code: " + SignedStr(Number(error_)));
        return;
    }
    Report.push_back(L"File: " + name + L" moved");
    item_.movedTo = movedTo_;
    moved_.push_back(std::move(item_));
}

bool TFileMove::MoveOnce(const std::wstring& name, SysError& error) {
    const std::wstring source = desktop_ + name;
    movedTo_ = target_ + name;
    error = Os().MoveFile(source, movedTo_);
    if (error != kErrorNotSameDevice) return error == SysError::None;
    // Another volume: the file is copied, checked and put in place before the original goes.
    error = MoveFileAcross(source, target_, name, [this] { return Terminated(); });
    return error == SysError::None;
}

void TFileMove::MakeRoom(const std::wstring& name) {
    std::wstring target = target_ + name;
    if (!Os().FileExists(target)) return;
    if (Settings->RenameFile()) {
        std::wstring aside = ClashName(target_, Os().TickCount(), name);
        if (const SysError code = Os().MoveFile(target, aside); code == SysError::None) {
            Report.push_back(L"File: " + target + L" renamed to: " + aside);
            item_.asideFrom = target;
            item_.asideTo = aside;
        } else {
            Report.push_back(L"File: " + target + L" not renamed. Error code: " + SignedStr(Number(code)));
        }
    } else if (const SysError code = Os().DeleteFile(target); code == SysError::None) {
        Report.push_back(L"File: " + target + L" deleted.");
        item_.deleted = target;
    } else {
        Report.push_back(L"File: " + target + L" not deleted. Error code: " + SignedStr(Number(code)));
    }
}

bool TFileMove::StartRetries(const std::wstring& name, SysError error) {
    // The first attempt failed with error. Make room once: the file already in the target goes
    // aside or away.
    error_ = error;
    MakeRoom(name);
    // An attempt that only met the name taken in the target did not count: room has been made
    // (or the name is a folder's), and the real first attempt follows at once.
    if ((error == kErrorAlreadyExists || error == kErrorFileExists) && MoveOnce(name, error_)) {
        EndItem(name, true);
        return true;
    }
    // A file still in use gets a second chance after a second, and more when the user wants them.
    // The end of the program makes no further attempt: the file stays whole on the desktop and the
    // report says why it was not moved.
    attempts_ = 0;
    extra_ = 0;
    if (Terminated()) {
        EndItem(name, false);
        return true;
    }
    waiting_ = true;
    RunAgainIn(kRetryWaitMs);
    return false;
}

bool TFileMove::Retry(const std::wstring& name) {
    if (Terminated()) {
        EndItem(name, false);
        return true;
    }
    if (MoveOnce(name, error_)) {
        EndItem(name, true);
        return true;
    }
    // The extra attempts are counted from the second chance on, with the settings of that moment.
    if (++attempts_ == 1) extra_ = Settings->TryToMove() ? Settings->TryCount() : 0;
    if (attempts_ > extra_ || Terminated()) {
        EndItem(name, false);
        return true;
    }
    RunAgainIn(kRetryWaitMs);
    return false;
}

}  // namespace vantrel

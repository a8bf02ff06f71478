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
    FileList.clear();
    Report.clear();
    if (Journal) batch_ = Journal->NewBatch();
    WalkBuffer();
    std::vector<char>().swap(Buffer);

    // A block whose items were all dropped leaves no trace in the log.
    if (FileList.empty()) return;

    // Moving into the desktop would turn every item into its own clash: nothing is touched.
    const std::wstring target = Settings->DestinationFolder();
    if (SameFolder(target, Settings->DesktopFolder())) {
        Report.push_back(L"Nothing moved: the target folder " + target + L" is the desktop folder.");
    } else if (Settings->QuickNote()) {
        QueryNote();
    } else {
        AddHeader();
        MoveItems();
    }
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
    std::wstring fileName = Settings->DestinationFolder() + FileList.front() + L".txt";
    NoteAnswer answer = AskNote(fileName, Settings->SaveNoteFiles());

    switch (answer.ModalResult) {
        case kNoteOk:
            if (Settings->SaveNoteFiles()) {
                std::string bytes = "\xFF\xFE" + ToUtf16Le(answer.Text);
                // An emptied file-name box names no file: the note cannot be written.
                Os().SetLastError(kErrorPathNotFound);
                if (answer.FileName.empty() || !Os().WriteFile(answer.FileName, bytes)) {
                    // The note comes before the items: without it nothing is moved.
                    uint32_t code = Os().LastError();
                    Report.clear();
                    Report.push_back(L"Comments not saved to file: " + answer.FileName +
                                     L" (files not moved). Error code: " + SignedStr(code));
                    return;
                }
                Report.push_back(L"Comments saved to file: " + answer.FileName);
            }
            Report.push_back(L"Comments' text:" + answer.Text);
            break;
        case kNoteAbort:
            Report.push_back(L"User aborted operation.");
            return;
        default:
            break;
    }
    AddHeader();
    MoveItems();
}

void TFileMove::MoveItems() {
    for (size_t i = 0; i < FileList.size(); ++i) {
        const std::wstring& name = FileList[i];
        const std::wstring source = Settings->DesktopFolder() + name;
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
        JournalItem item;
        item.name = names_[i];
        // A plain file into a free name costs two calls in all. The move never replaces, so the
        // target is looked at only when the move fails; a failed move leaves everything in place.
        bool moved = false;
        if (uint32_t error = 0; MoveOnce(name, error)) {
            Report.push_back(L"File: " + name + L" moved");
            moved = true;
        } else if (Os().FileExists(source)) {
            moved = MoveFileItem(name, error, item);
        } else {
            Report.push_back(L"File: " + name + L" not exist or deleted");
        }
        if (moved) {
            item.movedTo = movedTo_;
            moved_.push_back(std::move(item));
        }
    }
}

bool TFileMove::MoveOnce(const std::wstring& name, uint32_t& error) {
    // Both paths are formed afresh for every attempt, so a new target applies at once.
    const std::wstring source = Settings->DesktopFolder() + name;
    const std::wstring target = Settings->DestinationFolder();
    movedTo_ = target + name;
    if (Os().MoveFile(source, movedTo_)) return true;
    error = Os().LastError();
    if (error != kErrorNotSameDevice) return false;
    // Another volume: the file is copied, checked and put in place before the original goes.
    error = MoveFileAcross(source, target, name, [this] { return Terminated(); });
    return error == 0;
}

bool TFileMove::MoveFileItem(const std::wstring& name, uint32_t error, JournalItem& item) {
    // The first attempt failed with error. Make room once: the file already in the target goes
    // aside or away.
    std::wstring target = Settings->DestinationFolder() + name;
    if (Os().FileExists(target)) {
        if (Settings->RenameFile()) {
            std::wstring aside = ClashName(Settings->DestinationFolder(), Os().TickCount(), name);
            if (Os().MoveFile(target, aside)) {
                Report.push_back(L"File: " + target + L" renamed to: " + aside);
                item.asideFrom = target;
                item.asideTo = aside;
            } else {
                Report.push_back(L"File: " + target + L" not renamed. Error code: " + SignedStr(Os().LastError()));
            }
        } else {
            if (Os().DeleteFile(target)) {
                Report.push_back(L"File: " + target + L" deleted.");
                item.deleted = target;
            } else {
                Report.push_back(L"File: " + target + L" not deleted. Error code: " + SignedStr(Os().LastError()));
            }
        }
    }

    auto attempt = [&] { return MoveOnce(name, error); };

    // An attempt that only met the name taken in the target did not count: room has been made
    // (or the name is a folder's), and the real first attempt follows at once.
    bool moved = (error == kErrorAlreadyExists || error == kErrorFileExists) && attempt();
    // A file still in use gets a second chance after a second, and more when the user wants them.
    // A wait cut short by the end of the program makes no further attempt: the file stays whole
    // on the desktop and the report says why it was not moved.
    if (!moved && Pause(kRetryWaitMs)) moved = attempt();
    if (!moved && Settings->TryToMove()) {
        for (int32_t k = 0, extra = Settings->TryCount(); !moved && k < extra && Pause(kRetryWaitMs); ++k)
            moved = attempt();
    }
    if (moved)
        Report.push_back(L"File: " + name + L" moved");
    else
        Report.push_back(L"File: " + name + L" not moved. Error code: " + SignedStr(error));
    return moved;
}

}  // namespace vantrel

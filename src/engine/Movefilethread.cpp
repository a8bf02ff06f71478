#include "engine/Movefilethread.h"

#include <cstdint>

#include "engine/Movefolder.h"
#include "engine/Note.h"
#include "platform/Platform.h"

namespace vantrel {

namespace {

constexpr uint32_t kFileActionAdded = 1;
constexpr uint32_t kFileActionRenamedNewName = 5;
constexpr size_t kRecordHeader = 12;  // NextEntryOffset, Action, FileNameLength
constexpr uint32_t kRetryWaitMs = 1000;

// The folder mover's holding names start with this; its own rename must not become a new item.
const std::wstring kHoldingPrefix = L"~dvrename";

// Records are read byte by byte: Wine does not always pad them to 4-byte boundaries.
uint32_t ReadU32(const std::vector<char>& buffer, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<uint8_t>(buffer[at + i])) << (8 * i);
    return value;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

// "*" plus the text from the last dot on, unless a backslash or colon follows that dot.
std::wstring ExtensionKey(const std::wstring& name) {
    auto dot = name.find_last_of(L".\\:");
    if (dot == std::wstring::npos || name[dot] != L'.') return L"*";
    return L"*" + name.substr(dot);
}

}  // namespace

TFileMove::TFileMove(bool createSuspended) : TThread(createSuspended) {}

void TFileMove::Execute() {
    FileList.clear();
    Report.clear();
    WalkBuffer();
    std::vector<char>().swap(Buffer);

    // A block whose items were all dropped leaves no trace in the log.
    if (FileList.empty()) return;

    if (Settings->QuickNote()) {
        QueryNote();
    } else {
        AddHeader();
        MoveItems();
    }
    Settings->Logger()->AddLine(JoinLines(Report));
}

void TFileMove::WalkBuffer() {
    // The walk ends at the record whose NextEntryOffset is 0; the copy's size only guards
    // against a damaged block.
    size_t at = 0;
    while (at + kRecordHeader <= Buffer.size()) {
        uint32_t next = ReadU32(Buffer, at);
        uint32_t action = ReadU32(Buffer, at + 4);
        size_t length = ReadU32(Buffer, at + 8);
        if (action == kFileActionAdded || action == kFileActionRenamedNewName) {
            size_t available = Buffer.size() - at - kRecordHeader;
            if (length > available) length = available;
            length -= length % 2;
            std::wstring name = FromUtf16Le(std::string(Buffer.data() + at + kRecordHeader, length));
            Os().LowerCase(name);
            if (!Excluded(name) && (action == kFileActionAdded || Settings->MoveRenamed())) FileList.push_back(name);
        }
        if (next == 0) break;
        at += next;
    }
}

bool TFileMove::Excluded(const std::wstring& name) {
    if (StartsWith(name, kHoldingPrefix)) return true;

    std::wstring key = ExtensionKey(name);
    for (std::wstring mask : Settings->ExcludedExt()) {
        Os().LowerCase(mask);
        if (StartsWith(key, mask)) return true;
    }

    // File-name masks have the form stem + ".*": the last two characters are not compared.
    for (std::wstring mask : Settings->ExcludedFiles()) {
        Os().LowerCase(mask);
        if (mask.size() <= 2) continue;
        mask.resize(mask.size() - 2);
        if (StartsWith(name, mask)) return true;
    }
    return false;
}

void TFileMove::AddHeader() {
    Report.push_back(L">> Operation report for " + IntToStr(static_cast<int32_t>(FileList.size())) + L" files <<");
}

void TFileMove::QueryNote() {
    std::wstring fileName = Settings->DestinationFolder() + FileList.front() + L".txt";
    NoteAnswer answer = AskNote(fileName, Settings->SaveNoteFiles());
    if (answer.FileName.empty()) answer.FileName = fileName;

    switch (answer.ModalResult) {
        case kNoteOk:
            if (Settings->SaveNoteFiles()) {
                std::string bytes = "\xFF\xFE" + ToUtf16Le(answer.Text);
                if (!Os().WriteFile(answer.FileName, bytes)) {
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
    for (const std::wstring& name : FileList) {
        if (Os().FileExists(Settings->DesktopFolder() + name)) {
            MoveFileItem(name);
        } else if (Os().DirectoryExists(Settings->DesktopFolder() + name)) {
            if (!Settings->MoveFolder()) continue;
            Report.push_back(L"Folder: " + name + L" movement initialized");
            auto* mover = new TMoveDirectory(true);
            mover->Settings = Settings;
            mover->FolderName = name;
            mover->FreeOnTerminate = true;
            mover->Resume();
        } else {
            Report.push_back(L"File: " + name + L" not exist or deleted");
        }
    }
}

void TFileMove::MoveFileItem(const std::wstring& name) {
    // Make room once, before the first attempt: the file already in the target goes aside or away.
    std::wstring target = Settings->DestinationFolder() + name;
    if (Os().FileExists(target)) {
        if (Settings->RenameFile()) {
            std::wstring aside = Settings->DestinationFolder() + L"Rename" + SignedStr(Os().TickCount()) + L"_" + name;
            if (Os().MoveFile(target, aside))
                Report.push_back(L"File: " + target + L" renamed to: " + aside);
            else
                Report.push_back(L"File: " + target + L" not renamed. Error code: " + SignedStr(Os().LastError()));
        } else {
            if (Os().DeleteFile(target))
                Report.push_back(L"File: " + target + L" deleted.");
            else
                Report.push_back(L"File: " + target + L" not deleted. Error code: " + SignedStr(Os().LastError()));
        }
    }

    uint32_t error = 0;
    // Both paths are formed afresh for every attempt, so a new target applies at once.
    auto attempt = [&] {
        if (Os().MoveFile(Settings->DesktopFolder() + name, Settings->DestinationFolder() + name)) return true;
        error = Os().LastError();
        return false;
    };

    // A file still in use gets a second chance after a second, and more when the user wants them.
    // A wait cut short by the end of the program makes no further attempt: the file stays whole
    // on the desktop and the report says why it was not moved.
    bool moved = attempt();
    if (!moved && Pause(kRetryWaitMs)) moved = attempt();
    if (!moved && Settings->TryToMove()) {
        for (int32_t k = 0, extra = Settings->TryCount(); !moved && k < extra && Pause(kRetryWaitMs); ++k)
            moved = attempt();
    }
    if (moved)
        Report.push_back(L"File: " + name + L" moved");
    else
        Report.push_back(L"File: " + name + L" not moved. Error code: " + SignedStr(error));
}

}  // namespace vantrel

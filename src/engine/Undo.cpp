#include "engine/Undo.h"

#include "engine/Across.h"
#include "engine/ChangeRecords.h"
#include "engine/Masks.h"
#include "engine/Movefilethread.h"
#include "platform/Platform.h"

namespace vantrel {

namespace {

bool Exists(const std::wstring& path) {
    ItemInfo info;
    return Os().FindItem(path, info) == SysError::None;
}

std::wstring Reason(SysError code) {
    if (code == kErrorFileNotFound) return L"it is no longer in the target";
    if (code == kErrorAlreadyExists) return L"the name is taken on the desktop";
    if (code == kErrorSharingViolation) return L"it is in use";
    if (code == kErrorCancelled) return L"the program is ending";
    return L"it could not be moved";
}

}  // namespace

TUndo::TUndo(bool createSuspended) : TThread(createSuspended) {}

void TUndo::Execute() {
    JournalBatch batch;
    if (!Journal || !Journal->TakeNewest(batch)) return;
    StringList lines{L">> Undo report for " + IntToStr(static_cast<int32_t>(batch.items.size())) + L" items <<"};
    // The newest move first: each step undoes what the one after it found.
    // Ending: what is not done yet, or was cut short, stays in the journal for the next start.
    while (!batch.items.empty() && !Terminated()) {
        if (MoveBack(batch.items.back(), lines) == kErrorCancelled) break;
        batch.items.pop_back();
    }
    Journal->PutBack(std::move(batch));
    Settings->Logger()->AddLine(JoinLines(lines));
    Os().RefreshDesktop();
}

SysError TUndo::MoveBack(const JournalItem& item, StringList& lines) {
    const std::wstring kind = item.folder ? L"Folder: " : L"File: ";
    const std::wstring desktop = Settings->DesktopFolder() + item.name;
    SysError code = SysError::None;
    if (!Exists(item.movedTo)) {
        code = kErrorFileNotFound;
    } else if (Exists(desktop)) {
        code = kErrorAlreadyExists;
    } else {
        std::wstring lowered = item.name;
        Os().LowerCase(lowered);
        Journal->Keep(lowered);
        code = Move(item, desktop);
        if (code != SysError::None) Journal->Unkeep(lowered);
    }
    if (code == SysError::None)
        lines.push_back(kind + item.name + L" moved back");
    else
        lines.push_back(kind + item.name + L" not moved back: " + Reason(code) + L". Error code: " +
                        SignedStr(Number(code)));
    if (code == kErrorCancelled) return code;
    if (!item.deleted.empty()) lines.push_back(kind + item.deleted + L" was deleted and cannot be restored");
    if (!item.asideTo.empty()) RenameBack(item, kind, lines);
    return code;
}

SysError TUndo::Move(const JournalItem& item, const std::wstring& desktop) {
    const SysError code = Os().MoveFile(item.movedTo, desktop);
    if (code != kErrorNotSameDevice) return code;
    // From another volume, with the same care as the move there.
    auto stop = [this] { return Terminated(); };
    if (!item.folder) return MoveFileAcross(item.movedTo, Settings->DesktopFolder(), item.name, stop);
    return MoveFolderAcross(item.movedTo, Settings->DesktopFolder(), item.name, Os().TickCount(), stop).code;
}

void TUndo::RenameBack(const JournalItem& item, const std::wstring& kind, StringList& lines) {
    // Never over anything: the old name must be free again and the item still where it was put.
    SysError code = SysError::None;
    if (Exists(item.asideFrom))
        code = kErrorAlreadyExists;
    else if (!Exists(item.asideTo))
        code = kErrorFileNotFound;
    else
        code = Os().MoveFile(item.asideTo, item.asideFrom);
    if (code == SysError::None)
        lines.push_back(kind + item.asideTo + L" renamed back to: " + item.asideFrom);
    else
        lines.push_back(kind + item.asideTo + L" not renamed back to: " + item.asideFrom + L". Error code: " +
                        SignedStr(Number(code)));
}

StringList TidyItems(const TOptions& settings) {
    StringList items;
    std::vector<ItemInfo> found;
    if (Os().ListFolder(settings.DesktopFolder(), L"*", found) != SysError::None) return items;
    const TMasks masks(settings);
    const bool folders = settings.MoveFolder();
    for (const ItemInfo& item : found) {
        // What the desktop does not show (desktop.ini and the like) is not the user's to tidy.
        if (item.attributes & (kAttributeHidden | kAttributeSystem)) continue;
        std::wstring lowered = item.name;
        Os().LowerCase(lowered);
        const bool folder = (item.attributes & kAttributeDirectory) != 0;
        if ((!folder || folders) && !masks.Keep(lowered)) items.push_back(item.name);
    }
    return items;
}

void StartTidy(TOptions* settings, std::shared_ptr<TJournal> journal, const StringList& items) {
    if (items.empty()) return;
    RecordWriter block;
    for (const std::wstring& name : items)
        block.Add(kFileActionAdded, name);
    auto* batch = new TFileMove(true);
    batch->Buffer = block.Take();
    batch->Settings = settings;
    batch->Journal = std::move(journal);
    batch->FreeOnTerminate = true;
    batch->Resume();
}

}  // namespace vantrel

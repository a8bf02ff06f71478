#include "engine/Monitorthread.h"

#include <algorithm>

#include "engine/Across.h"
#include "engine/ChangeRecords.h"
#include "engine/Movefilethread.h"

namespace vantrel {

TFileMonitor::TFileMonitor(bool createSuspended) : TThread(createSuspended) {
    // Blocked in its read or waiting to watch again, it holds no work: the end of the program does
    // not wait for it.
    WaitAtExit = false;
}

void TFileMonitor::NameThread() {
    Os().NameThread("Desktop Files Monitor");
}

void TFileMonitor::SetWatching(bool watching) {
    if (WatchChanged) WatchChanged(watching);
}

void TFileMonitor::Execute() {
    NameThread();

    // A move to another volume that never ended (the process was killed) left its copy behind.
    if (!SameFolder(Settings->DestinationFolder(), Settings->DesktopFolder())) {
        StringList recovered;
        RecoverCopies(Settings->DesktopFolder(), Settings->DestinationFolder(), recovered);
        if (!recovered.empty()) Settings->Logger()->AddLine(JoinLines(recovered));
    }

    // The watch comes first: an item saved while the desktop is listed is in the listing and has
    // its record as well, so it is a new item, never one the user kept.
    std::unique_ptr<DirectoryChanges> desktop;
    const SysError opened = Os().OpenDirectoryChanges(Settings->DesktopFolder(), desktop);
    if (opened != SysError::None || !picture_.Fill(Settings->DesktopFolder(), ErrorCode)) {
        if (opened != SysError::None) ErrorCode = Number(opened);
        Settings->Logger()->AddLine(L"Can not open Desktop Folder for monitoring. Error code: " + SignedStr(ErrorCode));
        SetWatching(false);
        return;
    }
    // One buffer for the life of the monitor, in 32-bit units so the records start aligned.
    buffer_ = std::make_unique<uint32_t[]>(kBufferSize / sizeof(uint32_t));
    while (desktop) {
        Watch(*desktop);
        if (Terminated()) return;
        desktop = Rewatch();
    }
}

void TFileMonitor::Watch(DirectoryChanges& desktop) {
    const char* records = reinterpret_cast<const char*>(buffer_.get());
    for (;;) {
        uint32_t bytes = 0;
        const SysError result = desktop.Read(buffer_.get(), kBufferSize, bytes);
        const bool read = result == SysError::None;
        const uint32_t code = Number(result);
        if (read && bytes > 0) {
            rewatchMs_ = kFirstRewatchMs;
            picture_.Apply(records, bytes);
            // The batch gets its own copy: the buffer is reused by the next read at once.
            if (!Settings->Paused.load()) StartBatch(std::vector<char>(records, records + bytes));
            if (Terminated()) return;
            continue;
        }
        if (Terminated()) return;
        // An overflow, reported as a success with no bytes or as a failure (Wine always does the
        // latter), loses the block's changes; what arrived unseen is found by listing the desktop.
        if (read || result == kErrorNotifyEnumDir) {
            rewatchMs_ = kFirstRewatchMs;
            // While paused, an empty block is discarded without a word, like any other.
            const bool quiet = read && Settings->Paused.load();
            if (!quiet) Settings->Logger()->AddLine(L"Byte return error. Error code: " + SignedStr(code));
            Rescan(!quiet);
            continue;
        }
        ErrorCode = code;
        Settings->Logger()->AddLine(L"Read directory change error. Error code: " + SignedStr(code));
        return;
    }
}

bool TFileMonitor::Rescan(bool log) {
    StringList added;
    uint32_t error = 0;
    if (!picture_.Rescan(Settings->DesktopFolder(), added, error)) return false;
    // Items saved while moving was paused are kept, like those whose records came then.
    if (Settings->Paused.load()) added.clear();
    if (log) {
        Settings->Logger()->AddLine(L"Desktop rescanned after missed changes: " +
                                    SignedStr(static_cast<uint32_t>(added.size())) + L" new items");
    }
    if (added.empty()) return true;
    RecordWriter block;
    for (const std::wstring& name : added)
        block.Add(kFileActionAdded, name);
    StartBatch(block.Take());
    return true;
}

void TFileMonitor::StartBatch(std::vector<char> block) {
    auto* batch = new TFileMove(true);
    batch->Buffer = std::move(block);
    batch->Settings = Settings;
    batch->Journal = Journal;
    batch->FreeOnTerminate = true;
    batch->Resume();
}

std::unique_ptr<DirectoryChanges> TFileMonitor::Rewatch() {
    SetWatching(false);
    for (;;) {
        // A plain sleep: the end of the program does not wait for the monitor.
        Os().Sleep(rewatchMs_);
        if (Terminated()) return nullptr;
        rewatchMs_ = std::min(rewatchMs_ * 2, kLastRewatchMs);
        std::unique_ptr<DirectoryChanges> desktop;
        if (Os().OpenDirectoryChanges(Settings->DesktopFolder(), desktop) != SysError::None || !Rescan(true)) continue;
        Settings->Logger()->AddLine(L"Desktop monitoring resumed");
        SetWatching(true);
        return desktop;
    }
}

}  // namespace vantrel

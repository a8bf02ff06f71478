#include "engine/Monitorthread.h"

#include <memory>

#include "engine/Across.h"
#include "engine/Movefilethread.h"
#include "platform/Platform.h"

namespace vantrel {

TFileMonitor::TFileMonitor(bool createSuspended) : TThread(createSuspended) {
    // Blocked in its read, it holds no work: the end of the program does not wait for it.
    WaitAtExit = false;
}

void TFileMonitor::NameThread() {
    Os().NameThread("Desktop Files Monitor");
}

void TFileMonitor::Execute() {
    NameThread();

    // A move to another volume that never ended (the process was killed) left its copy behind.
    if (!SameFolder(Settings->DestinationFolder(), Settings->DesktopFolder())) {
        StringList recovered;
        RecoverCopies(Settings->DesktopFolder(), Settings->DestinationFolder(), recovered);
        if (!recovered.empty()) Settings->Logger()->AddLine(JoinLines(recovered));
    }

    std::unique_ptr<DirectoryChanges> desktop = Os().OpenDirectoryChanges(Settings->DesktopFolder());
    if (!desktop) {
        ErrorCode = Os().LastError();
        Settings->Logger()->AddLine(L"Can not open Desktop Folder for monitoring. Error code: " + SignedStr(ErrorCode));
        return;
    }

    // One buffer for the life of the loop, in 32-bit units so the records start aligned.
    auto buffer = std::make_unique<uint32_t[]>(kBufferSize / sizeof(uint32_t));
    bool stopped = false;
    while (!stopped && !Terminated()) {
        uint32_t bytes = 0;
        if (!desktop->Read(buffer.get(), kBufferSize, bytes)) {
            uint32_t code = Os().LastError();
            // An overflow reported as a failure (Wine always does this) loses the block's changes,
            // like a success with no bytes; monitoring must go on.
            if (code == kErrorNotifyEnumDir) {
                Settings->Logger()->AddLine(L"Byte return error. Error code: " + SignedStr(code));
                continue;
            }
            ErrorCode = code;
            Settings->Logger()->AddLine(L"Read directory change error. Error code: " + SignedStr(code));
            stopped = true;  // also when the platform gave no code
            continue;
        }
        if (Settings->Paused.load()) continue;
        if (bytes > 0) {
            // The batch gets its own copy: the buffer is reused by the next read at once.
            const char* start = reinterpret_cast<const char*>(buffer.get());
            auto* batch = new TFileMove(true);
            batch->Buffer.assign(start, start + bytes);
            batch->Settings = Settings;
            batch->FreeOnTerminate = true;
            batch->Resume();
        } else {
            Settings->Logger()->AddLine(L"Byte return error. Error code: " + SignedStr(Os().LastError()));
        }
    }
}

}  // namespace vantrel

#include "engine/Movefolder.h"

#include <functional>
#include <memory>

#include "platform/Platform.h"
#include "platform/Text.h"

namespace vantrel {

namespace {

// ERROR_DIRECTORY: the name no longer belongs to a folder (a file took its place).
constexpr uint32_t kErrorDirectory = 267;
// ERROR_CANCELLED: the program ended during the quiet period.
constexpr uint32_t kErrorCancelled = 1223;
// A quiet period is waited for in slices this long, so the end of the program is seen in time.
constexpr uint32_t kWaitSliceMs = 100;

// How the wait for a quiet period ended.
enum class WaitEnd {
    Waiting,
    Taken,  // the folder bears its holding name
    RearmFailed,
    Vanished,    // the folder left the desktop: nothing to move
    NoProgress,  // the wait kept returning neither a change nor a time-out
    Stopped,     // the program is ending: the folder stays on the desktop under its own name
};

// A wait for a whole quiet period of delayMs, made of short waits; false when stop() became true
// before the period was over.
bool WaitQuietly(FolderWatch& watch, uint32_t delayMs, const std::function<bool()>& stop, WaitResult& result) {
    for (uint32_t left = delayMs; left > 0;) {
        if (stop()) return false;
        uint32_t slice = left < kWaitSliceMs ? left : kWaitSliceMs;
        result = watch.Wait(slice);
        if (result != WaitResult::Timeout) return true;
        left -= slice;
    }
    return true;
}

}  // namespace

TMoveDirectory::TMoveDirectory(bool createSuspended) : TThread(createSuspended) {}

int32_t TMoveDirectory::ShellOperation(const std::wstring& from, const std::wstring& to, bool rename) {
    return Os().ShellFolderOperation(from, to, rename);
}

void TMoveDirectory::Execute() {
    StringList lines;

    // Make room in the target once, before the wait.
    if (Settings->RenameFolder()) {
        std::wstring clashing = Settings->DestinationFolder() + FolderName;
        if (Os().DirectoryExists(clashing)) {
            std::wstring clashName =
                Settings->DestinationFolder() + L"Rename" + SignedStr(Os().TickCount()) + L"_" + FolderName;
            int32_t result = ShellOperation(clashing, clashName, true);
            if (result == 0)
                lines.push_back(L"Folder: " + clashing + L" renamed to: " + clashName);
            else
                lines.push_back(L"Folder: " + clashing + L" not renamed. Error code: " + IntToStr(result));
        }
    }

    int32_t result = 0;
    std::unique_ptr<FolderWatch> watch = Os().WatchFolderTree(Settings->DesktopFolder() + FolderName);
    if (!watch) {
        result = static_cast<int32_t>(Os().LastError());
    } else {
        const std::wstring holdingName = L"~dvrename" + SignedStr(Os().TickCount()) + L"_" + FolderName;

        // A folder that is gone ends the wait with the system's code for it.
        auto vanished = [&] {
            Os().SetLastError(0);
            if (Os().DirectoryExists(Settings->DesktopFolder() + FolderName)) return false;
            uint32_t code = Os().LastError();
            result = static_cast<int32_t>(code != 0 ? code : kErrorDirectory);
            return true;
        };

        WaitEnd end = WaitEnd::Waiting;
        int otherWaits = 0;
        while (end == WaitEnd::Waiting) {
            // Below 1 ms only an edited settings file can go; it must not become a huge unsigned wait.
            int32_t delay = Settings->MoveFolderDelay();
            WaitResult waited = WaitResult::Timeout;
            if (!WaitQuietly(
                    *watch, delay < 1 ? 1u : static_cast<uint32_t>(delay), [this] { return Terminated(); }, waited)) {
                end = WaitEnd::Stopped;
                result = static_cast<int32_t>(kErrorCancelled);
                break;
            }
            switch (waited) {
                case WaitResult::Changed:
                    // Something inside changed: the quiet period starts again from zero.
                    otherWaits = 0;
                    if (!watch->Rearm())
                        end = WaitEnd::RearmFailed;
                    else if (vanished())
                        end = WaitEnd::Vanished;
                    break;
                case WaitResult::Timeout:
                    otherWaits = 0;
                    if (ShellOperation(Settings->DesktopFolder() + FolderName, Settings->DesktopFolder() + holdingName,
                                       true) == 0)
                        end = WaitEnd::Taken;
                    else if (vanished())
                        end = WaitEnd::Vanished;
                    else if (!watch->Rearm())
                        end = WaitEnd::RearmFailed;
                    break;
                case WaitResult::Other:
                    if (++otherWaits >= kMaxOtherWaits) end = WaitEnd::NoProgress;
                    break;
            }
        }

        // The target is read now, so a target chosen during the wait is honoured. Without a
        // successful take the folder still bears its own name and the shell reports why.
        if (end != WaitEnd::Vanished && end != WaitEnd::Stopped)
            result = ShellOperation(Settings->DesktopFolder() + holdingName, Settings->DestinationFolder() + FolderName,
                                    false);
        watch.reset();
    }

    if (result == 0)
        lines.push_back(L"Folder: " + FolderName + L" moved");
    else
        lines.push_back(L"Folder: " + FolderName + L" not moved. Error code: " + IntToStr(result));
    Settings->Logger()->AddLine(JoinLines(lines));
    Os().RefreshDesktop();
}

}  // namespace vantrel

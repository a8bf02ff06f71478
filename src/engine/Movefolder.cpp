#include "engine/Movefolder.h"

#include <memory>

#include "platform/Platform.h"
#include "platform/Text.h"

namespace vantrel {

namespace {

// ERROR_DIRECTORY: the name no longer belongs to a folder (a file took its place).
constexpr uint32_t kErrorDirectory = 267;

// How the wait for a quiet period ended.
enum class WaitEnd {
    Waiting,
    Taken,  // the folder bears its holding name
    RearmFailed,
    Vanished,    // the folder left the desktop: nothing to move
    NoProgress,  // the wait kept returning neither a change nor a time-out
};

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
            switch (watch->Wait(delay < 1 ? 1u : static_cast<uint32_t>(delay))) {
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
        if (end != WaitEnd::Vanished)
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

#include "engine/Movefolder.h"

#include <functional>
#include <memory>

#include "engine/Across.h"
#include "engine/Names.h"
#include "platform/Platform.h"

namespace vantrel {

namespace {

// ERROR_DIRECTORY: the name no longer belongs to a folder (a file took its place).
constexpr uint32_t kErrorDirectory = 267;

// Numbered names tried when a folder that could not be moved finds its own name taken.
constexpr int kMaxNameBackTries = 99;

// A wait for a whole quiet period of delayMs, made of waits of TThread::kStopCheckMs so the end of
// the program is seen in time; false when stop() became true before the period was over.
bool WaitQuietly(FolderWatch& watch, uint32_t delayMs, const std::function<bool()>& stop, WaitResult& result) {
    for (uint32_t left = delayMs; left > 0;) {
        if (stop()) return false;
        uint32_t slice = left < TThread::kStopCheckMs ? left : TThread::kStopCheckMs;
        result = watch.Wait(slice);
        if (result != WaitResult::Timeout) return true;
        left -= slice;
    }
    return true;
}

}  // namespace

TMoveDirectory::TMoveDirectory(bool createSuspended) : TThread(createSuspended) {}

int32_t TMoveDirectory::ShellOperation(const std::wstring& from, const std::wstring& to, bool rename) {
    // The shell would act on another item (or fail) for such a path; MoveFileW takes it as it is,
    // within one volume.
    if (NeedsLiteralPath(from) || NeedsLiteralPath(to))
        return Os().MoveFile(from, to) ? 0 : static_cast<int32_t>(Os().LastError());
    return Os().ShellFolderOperation(from, to, rename);
}

void TMoveDirectory::Execute() {
    StringList lines;
    // Make room in the target once, before the wait.
    if (Settings->RenameFolder()) RenameClash(lines);

    int32_t result = 0;
    bool targetIsDesktop = false;
    // The holding name and the name given back keep the letter case the user gave the folder.
    ItemInfo found;
    name_ = Os().FindItem(Settings->DesktopFolder() + FolderName, found) ? found.name : FolderName;
    std::unique_ptr<FolderWatch> watch = Os().WatchFolderTree(Settings->DesktopFolder() + FolderName);
    if (!watch) {
        result = static_cast<int32_t>(Os().LastError());
    } else {
        tick_ = Os().TickCount();
        const std::wstring holdingName = HoldingName(tick_, name_);
        const WaitEnd end = WaitUntilQuiet(*watch, holdingName, result);
        if (end != WaitEnd::Vanished && end != WaitEnd::Stopped) {
            // The target is read now, so a target chosen during the wait is honoured.
            targetIsDesktop = SameFolder(Settings->DestinationFolder(), Settings->DesktopFolder());
            if (!targetIsDesktop) result = MoveToTarget(holdingName);
            // Also when part of it stayed behind in use after a move to another volume.
            if (end == WaitEnd::Taken && (targetIsDesktop || result != 0 || !note_.empty())) GiveNameBack(holdingName);
        }
        watch.reset();
    }

    if (targetIsDesktop)
        lines.push_back(L"Folder: " + FolderName + L" not moved: the target folder " + Settings->DestinationFolder() +
                        L" is the desktop folder.");
    else if (result == 0)
        lines.push_back(L"Folder: " + FolderName + L" moved");
    else if (note_.empty())
        lines.push_back(L"Folder: " + FolderName + L" not moved. Error code: " + IntToStr(result));
    if (!note_.empty()) lines.push_back(note_);
    // A folder that left part of itself behind is not one that could be put back whole.
    if (!targetIsDesktop && result == 0 && note_.empty() && Journal) {
        moved_.folder = true;
        moved_.name = name_;
        Journal->Record(Batch, {moved_});
    }
    Settings->Logger()->AddLine(JoinLines(lines));
    Os().RefreshDesktop();
}

void TMoveDirectory::RenameClash(StringList& lines) {
    const std::wstring clashing = Settings->DestinationFolder() + FolderName;
    if (!Os().DirectoryExists(clashing)) return;
    const std::wstring clashName = ClashName(Settings->DestinationFolder(), Os().TickCount(), FolderName);
    const int32_t result = ShellOperation(clashing, clashName, true);
    if (result == 0) {
        lines.push_back(L"Folder: " + clashing + L" renamed to: " + clashName);
        moved_.asideFrom = clashing;
        moved_.asideTo = clashName;
    } else {
        lines.push_back(L"Folder: " + clashing + L" not renamed. Error code: " + IntToStr(result));
    }
}

TMoveDirectory::WaitEnd TMoveDirectory::WaitUntilQuiet(FolderWatch& watch,
                                                       const std::wstring& holdingName,
                                                       int32_t& result) {
    const std::wstring folder = Settings->DesktopFolder() + FolderName;
    // A folder that is gone ends the wait with the system's code for it.
    auto vanished = [&] {
        Os().SetLastError(0);
        if (Os().DirectoryExists(folder)) return false;
        const uint32_t code = Os().LastError();
        result = static_cast<int32_t>(code != 0 ? code : kErrorDirectory);
        return true;
    };

    int otherWaits = 0;
    for (;;) {
        // Below 1 ms only an edited settings file can go; it must not become a huge unsigned wait.
        const int32_t delay = Settings->MoveFolderDelay();
        WaitResult waited = WaitResult::Timeout;
        if (!WaitQuietly(
                watch, delay < 1 ? 1u : static_cast<uint32_t>(delay), [this] { return Terminated(); }, waited)) {
            // The program is ending: the folder stays on the desktop under its own name.
            result = static_cast<int32_t>(kErrorCancelled);
            return WaitEnd::Stopped;
        }
        switch (waited) {
            case WaitResult::Changed:
                // Something inside changed: the quiet period starts again from zero.
                otherWaits = 0;
                if (!watch.Rearm()) return WaitEnd::RearmFailed;
                if (vanished()) return WaitEnd::Vanished;
                break;
            case WaitResult::Timeout:
                otherWaits = 0;
                if (ShellOperation(folder, Settings->DesktopFolder() + holdingName, true) == 0) return WaitEnd::Taken;
                if (vanished()) return WaitEnd::Vanished;
                if (!watch.Rearm()) return WaitEnd::RearmFailed;
                break;
            case WaitResult::Other:
                if (++otherWaits >= kMaxOtherWaits) return WaitEnd::NoProgress;
                break;
        }
    }
}

// Moves the folder from its holding name into the target and returns the result code. A folder
// that was never taken still bears its own name: the shell then says why it cannot be moved.
int32_t TMoveDirectory::MoveToTarget(const std::wstring& holdingName) {
    const std::wstring from = Settings->DesktopFolder() + holdingName;
    const std::wstring target = Settings->DestinationFolder() + FolderName;
    moved_.movedTo = target;
    // The shell would move the folder into a folder of that name, or put it in place of a file of
    // that name, and report success either way.
    if (Os().FileExists(target) || Os().DirectoryExists(target)) return static_cast<int32_t>(kErrorAlreadyExists);
    // Between volumes the shell cannot be trusted (under Wine it reports success and does nothing).
    if (!OnOneVolume(Settings->DesktopFolder(), Settings->DestinationFolder())) return MoveAcross(from);
    const int32_t result = ShellOperation(from, target, false);
    if (result == static_cast<int32_t>(kErrorNotSameDevice)) return MoveAcross(from);
    if (result != 0) return result;

    // Only a folder at its destination counts as moved.
    const std::wstring nested = target + L"\\" + holdingName;
    if (Os().DirectoryExists(nested)) {
        // A folder of that name came in the last instant and the shell put ours inside it.
        ShellOperation(nested, from, false);
        return static_cast<int32_t>(kErrorAlreadyExists);
    }
    if (!Os().DirectoryExists(target) || Os().DirectoryExists(from)) return static_cast<int32_t>(kErrorPathNotFound);
    return 0;
}

// The careful move to another volume; a link inside or an item left behind is named in note_.
int32_t TMoveDirectory::MoveAcross(const std::wstring& from) {
    const FolderMove move =
        MoveFolderAcross(from, Settings->DestinationFolder(), FolderName, tick_, [this] { return Terminated(); });
    if (!move.link.empty())
        note_ = L"Folder: " + FolderName + L" not moved: " + move.link +
                L" inside it is a link, and links are not copied to another drive.";
    else if (!move.leftover.empty())
        note_ = L"Folder: " + FolderName + L" left " + move.leftover + L" on the desktop: it was in use.";
    return static_cast<int32_t>(move.code);
}

// A folder that was taken but not moved gets its own name back on the desktop, or a numbered one
// when its name was taken meanwhile. The batch passes over renames away from a holding name, so
// this never starts another attempt.
void TMoveDirectory::GiveNameBack(const std::wstring& holdingName) {
    const std::wstring from = Settings->DesktopFolder() + holdingName;
    if (!Os().DirectoryExists(from)) return;
    for (int k = 1; k <= kMaxNameBackTries; ++k) {
        const std::wstring to = Settings->DesktopFolder() + name_ + (k == 1 ? L"" : L" (" + IntToStr(k) + L")");
        if (Os().FileExists(to) || Os().DirectoryExists(to)) continue;
        ShellOperation(from, to, true);
        return;
    }
}

}  // namespace vantrel

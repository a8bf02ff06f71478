#include "engine/Movefolder.h"

#include <algorithm>
#include <memory>

#include "engine/Across.h"
#include "engine/Names.h"
#include "platform/Platform.h"

namespace vantrel {

namespace {

// ERROR_DIRECTORY: the name no longer belongs to a folder (a file took its place).
constexpr SysError kErrorDirectory{267};
// The shell passes the system's ERROR_NOT_SAME_DEVICE on as its result.
constexpr ShellResult kShellNotSameDevice{17};

// Numbered names tried when a folder that could not be moved finds its own name taken.
constexpr int kMaxNameBackTries = 99;

}  // namespace

TMoveDirectory::TMoveDirectory(bool createSuspended) : TThread(createSuspended) {}

FolderResult TMoveDirectory::ShellOperation(const std::wstring& from, const std::wstring& to, bool rename) {
    // The shell would act on another item (or fail) for such a path; MoveFileW takes it as it is,
    // within one volume.
    if (NeedsLiteralPath(from) || NeedsLiteralPath(to)) return Os().MoveFile(from, to);
    return Os().ShellFolderOperation(from, to, rename);
}

void TMoveDirectory::Execute() {
    WaitEnd end = WaitEnd::Stopped;
    if (FirstRun()) {
        if (!Begin()) return Finish(WaitEnd::Vanished);
    } else if (Look(end)) {
        return Finish(end);
    }
}

bool TMoveDirectory::Begin() {
    // Make room in the target once, before the wait.
    if (Settings->RenameFolder()) RenameClash();
    // The holding name and the name given back keep the letter case the user gave the folder.
    ItemInfo found;
    name_ = Os().FindItem(Settings->DesktopFolder() + FolderName, found) == SysError::None ? found.name : FolderName;
    if (const SysError code = Os().WatchFolderTree(Settings->DesktopFolder() + FolderName, watch_);
        code != SysError::None) {
        result_ = code;
        return false;
    }
    tick_ = Os().TickCount();
    holdingName_ = HoldingName(tick_, name_);
    StartQuietPeriod();
    return true;
}

void TMoveDirectory::StartQuietPeriod() {
    // Below 1 ms only an edited settings file can go; it must not become a huge unsigned wait.
    const int32_t delay = Settings->MoveFolderDelay();
    delay_ = delay < 1 ? 1u : static_cast<uint32_t>(delay);
    quietSince_ = Os().TickCount();
    RunAgainIn(std::min(delay_, kStopCheckMs));
}

bool TMoveDirectory::Vanished() {
    // A folder that is gone ends the wait with the system's code for it.
    uint32_t attributes = 0;
    const SysError code = Os().GetAttributes(Settings->DesktopFolder() + FolderName, attributes);
    if (code == SysError::None && (attributes & kAttributeDirectory) != 0) return false;
    result_ = code != SysError::None ? code : kErrorDirectory;
    return true;
}

bool TMoveDirectory::Look(WaitEnd& end) {
    auto over = [&end](WaitEnd how) {
        end = how;
        return true;
    };
    if (Terminated()) {
        // The program is ending: the folder stays on the desktop under its own name.
        result_ = kErrorCancelled;
        return over(WaitEnd::Stopped);
    }
    switch (watch_->Wait(0)) {
        case WaitResult::Changed:
            // Something inside changed: the quiet period starts again from zero.
            otherWaits_ = 0;
            if (watch_->Rearm() != SysError::None) return over(WaitEnd::RearmFailed);
            if (Vanished()) return over(WaitEnd::Vanished);
            break;
        case WaitResult::Timeout: {
            otherWaits_ = 0;
            const uint32_t quiet = Os().TickCount() - quietSince_;
            if (quiet < delay_) {
                RunAgainIn(std::min(delay_ - quiet, kStopCheckMs));
                return false;
            }
            const std::wstring desktop = Settings->DesktopFolder();
            if (ShellOperation(desktop + FolderName, desktop + holdingName_, true).Succeeded())
                return over(WaitEnd::Taken);
            if (Vanished()) return over(WaitEnd::Vanished);
            if (watch_->Rearm() != SysError::None) return over(WaitEnd::RearmFailed);
            break;
        }
        case WaitResult::Other:
            if (++otherWaits_ >= kMaxOtherWaits) return over(WaitEnd::NoProgress);
            break;
    }
    StartQuietPeriod();
    return false;
}

void TMoveDirectory::Finish(WaitEnd end) {
    bool targetIsDesktop = false;
    if (watch_ && end != WaitEnd::Vanished && end != WaitEnd::Stopped) {
        // The target is read now, so a target chosen during the wait is honoured.
        targetIsDesktop = SameFolder(Settings->DestinationFolder(), Settings->DesktopFolder());
        if (!targetIsDesktop) result_ = MoveToTarget(holdingName_);
        // Also when part of it stayed behind in use after a move to another volume.
        if (end == WaitEnd::Taken && (targetIsDesktop || !result_.Succeeded() || !note_.empty()))
            GiveNameBack(holdingName_);
    }
    watch_.reset();

    if (targetIsDesktop)
        lines_.push_back(L"Folder: " + FolderName + L" not moved: the target folder " + Settings->DestinationFolder() +
                         L" is the desktop folder.");
    else if (result_.Succeeded())
        lines_.push_back(L"Folder: " + FolderName + L" moved");
    else if (note_.empty())
        lines_.push_back(L"Folder: " + FolderName + L" not moved. Error code: " + result_.Text());
    if (!note_.empty()) lines_.push_back(note_);
    // A folder that left part of itself behind is not one that could be put back whole.
    if (!targetIsDesktop && result_.Succeeded() && note_.empty() && Journal) {
        moved_.folder = true;
        moved_.name = name_;
        Journal->Record(Batch, {moved_});
    }
    Settings->Logger()->AddLine(JoinLines(lines_));
    Os().RefreshDesktop();
}

void TMoveDirectory::RenameClash() {
    const std::wstring clashing = Settings->DestinationFolder() + FolderName;
    if (!Os().DirectoryExists(clashing)) return;
    const std::wstring clashName = ClashName(Settings->DestinationFolder(), Os().TickCount(), FolderName);
    const FolderResult result = ShellOperation(clashing, clashName, true);
    if (result.Succeeded()) {
        lines_.push_back(L"Folder: " + clashing + L" renamed to: " + clashName);
        moved_.asideFrom = clashing;
        moved_.asideTo = clashName;
    } else {
        lines_.push_back(L"Folder: " + clashing + L" not renamed. Error code: " + result.Text());
    }
}

// Moves the folder from its holding name into the target and returns the result code. A folder
// that was never taken still bears its own name: the shell then says why it cannot be moved.
FolderResult TMoveDirectory::MoveToTarget(const std::wstring& holdingName) {
    const std::wstring from = Settings->DesktopFolder() + holdingName;
    const std::wstring target = Settings->DestinationFolder() + FolderName;
    moved_.movedTo = target;
    // The shell would move the folder into a folder of that name, or put it in place of a file of
    // that name, and report success either way.
    if (Os().FileExists(target) || Os().DirectoryExists(target)) return kErrorAlreadyExists;
    // Between volumes the shell cannot be trusted (under Wine it reports success and does nothing).
    if (!OnOneVolume(Settings->DesktopFolder(), Settings->DestinationFolder())) return MoveAcross(from);
    const FolderResult result = ShellOperation(from, target, false);
    if (result.Is(kErrorNotSameDevice) || result.Is(kShellNotSameDevice)) return MoveAcross(from);
    if (!result.Succeeded()) return result;

    // Only a folder at its destination counts as moved.
    const std::wstring nested = target + L"\\" + holdingName;
    if (Os().DirectoryExists(nested)) {
        // A folder of that name came in the last instant and the shell put ours inside it.
        ShellOperation(nested, from, false);
        return kErrorAlreadyExists;
    }
    if (!Os().DirectoryExists(target) || Os().DirectoryExists(from)) return kErrorPathNotFound;
    return SysError::None;
}

// The careful move to another volume; a link inside or an item left behind is named in note_.
FolderResult TMoveDirectory::MoveAcross(const std::wstring& from) {
    const FolderMove move =
        MoveFolderAcross(from, Settings->DestinationFolder(), FolderName, tick_, [this] { return Terminated(); });
    if (!move.link.empty())
        note_ = L"Folder: " + FolderName + L" not moved: " + move.link +
                L" inside it is a link, and links are not copied to another drive.";
    else if (!move.leftover.empty())
        note_ = L"Folder: " + FolderName + L" left " + move.leftover + L" on the desktop: it was in use.";
    return move.code;
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

#include "engine/Across.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/Names.h"
#include "platform/Platform.h"

namespace vantrel {

namespace {

// Large enough for the full speed of a disk, small enough that the end of the program is seen
// within a fraction of a second even on a slow drive.
constexpr uint32_t kChunkBytes = 1u << 20;
// ERROR_WRITE_FAULT: the copy is not as long as the bytes written to it.
constexpr uint32_t kErrorWriteFault = 29;
// Free names tried for a copy, and numbered names for a copy given its real name back.
constexpr int kNameTries = 100;

// The last error, never 0: a failure must not read as success.
uint32_t LastCode() {
    const uint32_t code = Os().LastError();
    return code != 0 ? code : kErrorWriteFault;
}

// One file copied and checked, not yet in place: both handles stay open until the caller decides.
struct Copy {
    std::unique_ptr<SourceFile> source;  // nobody else writes or deletes the original meanwhile
    std::unique_ptr<NewFile> copy;
    ItemInfo before;  // the original as it was when the copy began
};

// Copies made.source into made.copy; the copy must be as long as the original, and the original
// must be as it was (a writer the sharing cannot keep out, such as a Linux program under Wine,
// changes its size or time).
uint32_t Fill(Copy& made, std::vector<char>& buffer, const StopCheck& stop) {
    uint64_t total = 0;
    for (;;) {
        if (stop()) return kErrorCancelled;
        uint32_t got = 0;
        if (!made.source->Read(buffer.data(), static_cast<uint32_t>(buffer.size()), got)) return LastCode();
        if (got == 0) break;
        if (!made.copy->Write(buffer.data(), got)) return LastCode();
        total += got;
    }
    uint64_t size = 0;
    ItemInfo after;
    if (!made.copy->Finish(made.before, size) || !made.source->Stat(after)) return LastCode();
    if (total != made.before.size || after.size != made.before.size || after.lastWrite != made.before.lastWrite)
        return kErrorSharingViolation;
    return size == total ? 0 : kErrorWriteFault;
}

// Opens from and copies it to a new file at to. On failure nothing is left at to.
uint32_t CopyChecked(const std::wstring& from,
                     const std::wstring& to,
                     std::vector<char>& buffer,
                     const StopCheck& stop,
                     Copy& made) {
    made.source = Os().OpenToMove(from);
    if (!made.source) return LastCode();
    if (!made.source->Stat(made.before)) return LastCode();
    if (made.before.attributes & kAttributeReparsePoint) return kErrorNotSupported;
    made.copy = Os().CreateNew(to);
    if (!made.copy) return LastCode();
    const uint32_t code = Fill(made, buffer, stop);
    if (code != 0) {
        made.copy->Discard();
        made.copy.reset();
    }
    return code;
}

// Calls make with a free copy name in folder for name, from tick on, until it does not meet a
// taken name; to ends as the full path it made.
template <typename Make>
uint32_t AtFreeCopyName(const std::wstring& folder,
                        uint32_t tick,
                        const std::wstring& name,
                        std::wstring& to,
                        Make make) {
    uint32_t code = kErrorAlreadyExists;
    for (int k = 0; k < kNameTries && (code == kErrorAlreadyExists || code == kErrorFileExists); ++k) {
        to = folder + CopyName(tick + static_cast<uint32_t>(k), name);
        code = make(to);
    }
    return code;
}

struct Entry {
    std::wstring relative;  // below the folder, no leading backslash
    ItemInfo info;          // for a file: as it was copied
};

// Lists everything below folder + relative, each folder before what it holds. A link anywhere
// ends the listing with kErrorNotSupported and its relative path in link.
uint32_t ListTree(const std::wstring& folder,
                  const std::wstring& relative,
                  std::vector<Entry>& entries,
                  std::wstring& link) {
    std::vector<ItemInfo> items;
    if (!Os().ListFolder(folder + relative, L"*", items)) return LastCode();
    for (ItemInfo& item : items) {
        Entry entry{relative + item.name, std::move(item)};
        if (entry.info.attributes & kAttributeReparsePoint) {
            link = entry.relative;
            return kErrorNotSupported;
        }
        const bool isFolder = (entry.info.attributes & kAttributeDirectory) != 0;
        const std::wstring inside = entry.relative + L"\\";
        entries.push_back(std::move(entry));
        if (isFolder) {
            if (const uint32_t code = ListTree(folder, inside, entries, link)) return code;
        }
    }
    return 0;
}

bool IsFolder(const Entry& entry) {
    return (entry.info.attributes & kAttributeDirectory) != 0;
}

// Copies the listed tree from from\ into to\, which exists.
uint32_t CopyTree(const std::wstring& from,
                  const std::wstring& to,
                  std::vector<Entry>& entries,
                  const StopCheck& stop) {
    std::vector<char> buffer(kChunkBytes);
    for (Entry& entry : entries) {
        if (IsFolder(entry)) {
            if (!Os().CreateDirectory(to + entry.relative)) return LastCode();
            continue;
        }
        Copy made;
        if (const uint32_t code = CopyChecked(from + entry.relative, to + entry.relative, buffer, stop, made))
            return code;
        entry.info = made.before;
    }
    return 0;
}

// Opens every listed file of the tree at from\ as a move would and finds it as it was copied;
// with remove, deletes it too. The code of the first file that fails, with its entry in failed.
uint32_t CheckFiles(const std::wstring& from, const std::vector<Entry>& entries, bool remove, std::wstring& failed) {
    for (const Entry& entry : entries) {
        if (IsFolder(entry)) continue;
        failed = entry.relative;
        std::unique_ptr<SourceFile> source = Os().OpenToMove(from + entry.relative);
        ItemInfo now;
        if (!source || !source->Stat(now)) return LastCode();
        if (now.size != entry.info.size || now.lastWrite != entry.info.lastWrite) return kErrorSharingViolation;
        if (remove && !source->Delete()) return LastCode();
    }
    failed.clear();
    return 0;
}

// A name for an item in folder that is free: name itself, else "name (2)", "name (3)", ... with
// the number before a file's extension. Empty when none is free.
std::wstring FreeName(const std::wstring& folder, const std::wstring& name, bool isFolder) {
    const size_t dot = isFolder ? std::wstring::npos : name.rfind(L'.');
    const std::wstring stem = dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot);
    const std::wstring extension = stem.size() == name.size() ? L"" : name.substr(stem.size());
    for (int k = 1; k <= kNameTries; ++k) {
        const std::wstring path = folder + (k == 1 ? name : stem + L" (" + IntToStr(k) + L")" + extension);
        if (!Os().FileExists(path) && !Os().DirectoryExists(path)) return path;
    }
    return {};
}

}  // namespace

uint32_t MoveFileAcross(const std::wstring& from,
                        const std::wstring& targetFolder,
                        const std::wstring& name,
                        const StopCheck& stop) {
    // A link is never opened: its copy would be the file it points to, and deleting through it
    // would delete that file.
    ItemInfo item;
    if (!Os().FindItem(from, item)) return LastCode();
    if (item.attributes & (kAttributeReparsePoint | kAttributeDirectory)) return kErrorNotSupported;

    // A small file needs no more room than itself (0 would read nothing at all).
    std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(kChunkBytes, item.size + 1)));
    Copy made;
    std::wstring temp;
    const uint32_t code = AtFreeCopyName(targetFolder, Os().TickCount(), name, temp, [&](const std::wstring& to) {
        made = Copy{};
        return CopyChecked(from, to, buffer, stop, made);
    });
    if (code != 0) return code;
    if (!Os().MoveFile(temp, targetFolder + name)) {
        const uint32_t renameCode = LastCode();
        made.copy->Discard();
        return renameCode;
    }
    // The original goes through the handle that kept writers out since the copy began. Should
    // that fail, the copy goes again: the item stays whole in one place, as if it were in use.
    if (!made.source->Delete()) {
        made.copy->Discard();
        return kErrorSharingViolation;
    }
    return 0;
}

FolderMove MoveFolderAcross(const std::wstring& from,
                            const std::wstring& targetFolder,
                            const std::wstring& name,
                            uint32_t tick,
                            const StopCheck& stop) {
    FolderMove result;
    const std::wstring source = WithTrailingBackslash(from);
    std::vector<Entry> entries;
    if ((result.code = ListTree(source, L"", entries, result.link)) != 0) return result;

    std::wstring temp;
    result.code = AtFreeCopyName(targetFolder, tick, name, temp,
                                 [](const std::wstring& to) { return Os().CreateDirectory(to) ? 0u : LastCode(); });
    if (result.code != 0) return result;
    result.code = CopyTree(source, temp + L"\\", entries, stop);
    const std::wstring target = targetFolder + name;
    if (result.code == 0 && !Os().MoveFile(temp, target)) result.code = LastCode();
    if (result.code != 0) {
        RemoveTree(temp);
        return result;
    }

    // Nothing on the desktop is deleted before every file there can be: a file opened or changed
    // since its copy sends the whole folder back.
    std::wstring failed;
    if ((result.code = CheckFiles(source, entries, false, failed)) != 0) {
        RemoveTree(target);
        return result;
    }
    // The target holds the whole folder now. What cannot be deleted in the instant since the
    // check stays on the desktop as well, and is named.
    if (CheckFiles(source, entries, true, failed) != 0) {
        result.leftover = failed;
        return result;
    }
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (IsFolder(*it) && !Os().RemoveFolder(source + it->relative) && result.leftover.empty())
            result.leftover = it->relative;
    if (!Os().RemoveFolder(from) && result.leftover.empty()) result.leftover = L".";
    return result;
}

bool RemoveTree(const std::wstring& path) {
    ItemInfo item;
    if (!Os().FindItem(path, item)) return Os().LastError() == kErrorFileNotFound;
    if (!(item.attributes & kAttributeDirectory)) {
        std::unique_ptr<SourceFile> file = Os().OpenToMove(path);
        return file && file->Delete();
    }
    // A link is removed itself; what it points to is never entered.
    std::vector<ItemInfo> items;
    bool whole = (item.attributes & kAttributeReparsePoint) != 0 || Os().ListFolder(path, L"*", items);
    for (const ItemInfo& inside : items)
        whole = RemoveTree(WithTrailingBackslash(path) + inside.name) && whole;
    return Os().RemoveFolder(path) && whole;
}

void RecoverCopies(const std::wstring& desktopFolder, const std::wstring& targetFolder, StringList& lines) {
    // Only the copies are listed: a target of many thousand items costs the start nothing more.
    std::vector<ItemInfo> items;
    if (!Os().ListFolder(targetFolder, kCopyPrefix + L"*", items)) return;
    for (const ItemInfo& item : items) {
        // ~dvcopy<tick>_<name>: the tick ties a folder's copy to its holding name on the desktop.
        const std::wstring lowered = Lowered(item.name);
        const size_t mark = lowered.find(L'_');
        if (mark == std::wstring::npos || mark + 1 == lowered.size()) continue;
        const std::wstring tick = item.name.substr(kCopyPrefix.size(), mark - kCopyPrefix.size());
        const std::wstring name = item.name.substr(mark + 1);
        const std::wstring copy = targetFolder + item.name;
        const bool isFolder = (item.attributes & kAttributeDirectory) != 0;
        const std::wstring holding = desktopFolder + kHoldingPrefix + tick + L"_" + name;

        if (isFolder && Os().DirectoryExists(holding)) {
            if (!RemoveTree(copy)) continue;
            lines.push_back(L"Unfinished copy removed: " + copy);
            const std::wstring back = FreeName(desktopFolder, name, true);
            if (!back.empty() && Os().MoveFile(holding, back))
                lines.push_back(L"Folder: " + holding + L" renamed back to: " + back);
        } else if (Os().FileExists(desktopFolder + name) || Os().DirectoryExists(desktopFolder + name)) {
            if (RemoveTree(copy)) lines.push_back(L"Unfinished copy removed: " + copy);
        } else {
            // The original is gone: this copy is all that is left of the item, so it is kept.
            const std::wstring kept = FreeName(targetFolder, Lowered(name), isFolder);
            if (!kept.empty() && Os().MoveFile(copy, kept))
                lines.push_back(L"Unfinished copy kept: " + copy + L" renamed to: " + kept);
        }
    }
}

}  // namespace vantrel

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
constexpr SysError kErrorWriteFault{29};
// Free names tried for a copy, and numbered names for a copy given its real name back.
constexpr int kNameTries = 100;

// One file copied and checked, not yet in place: both handles stay open until the caller decides.
struct Copy {
    std::unique_ptr<SourceFile> source;  // nobody else writes or deletes the original meanwhile
    std::unique_ptr<NewFile> copy;
    ItemInfo before;  // the original as it was when the copy began
};

// Copies made.source into made.copy; the copy must be as long as the original, and the original
// must be as it was (a writer the sharing cannot keep out, such as a Linux program under Wine,
// changes its size or time).
SysError Fill(Copy& made, std::vector<char>& buffer, const StopCheck& stop) {
    uint64_t total = 0;
    for (;;) {
        if (stop()) return kErrorCancelled;
        uint32_t got = 0;
        SysError code = made.source->Read(buffer.data(), static_cast<uint32_t>(buffer.size()), got);
        if (code != SysError::None) return code;
        if (got == 0) break;
        if ((code = made.copy->Write(buffer.data(), got)) != SysError::None) return code;
        total += got;
    }
    uint64_t size = 0;
    ItemInfo after;
    if (const SysError code = made.copy->Finish(made.before, size); code != SysError::None) return code;
    if (const SysError code = made.source->Stat(after); code != SysError::None) return code;
    if (total != made.before.size || after.size != made.before.size || after.lastWrite != made.before.lastWrite)
        return kErrorSharingViolation;
    return size == total ? SysError::None : kErrorWriteFault;
}

// Opens from and copies it to a new file at to. On failure nothing is left at to.
SysError CopyChecked(const std::wstring& from,
                     const std::wstring& to,
                     std::vector<char>& buffer,
                     const StopCheck& stop,
                     Copy& made) {
    if (const SysError code = Os().OpenToMove(from, made.source); code != SysError::None) return code;
    if (const SysError code = made.source->Stat(made.before); code != SysError::None) return code;
    if (made.before.attributes & kAttributeReparsePoint) return kErrorNotSupported;
    if (const SysError code = Os().CreateNew(to, made.copy); code != SysError::None) return code;
    const SysError code = Fill(made, buffer, stop);
    if (code != SysError::None) {
        made.copy->Discard();
        made.copy.reset();
    }
    return code;
}

// Calls make with a free copy name in folder for name, from tick on, until it does not meet a
// taken name; to ends as the full path it made.
template <typename Make>
SysError AtFreeCopyName(const std::wstring& folder,
                        uint32_t tick,
                        const std::wstring& name,
                        std::wstring& to,
                        Make make) {
    SysError code = kErrorAlreadyExists;
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
SysError ListTree(const std::wstring& folder,
                  const std::wstring& relative,
                  std::vector<Entry>& entries,
                  std::wstring& link) {
    std::vector<ItemInfo> items;
    if (const SysError code = Os().ListFolder(folder + relative, L"*", items); code != SysError::None) return code;
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
            if (const SysError code = ListTree(folder, inside, entries, link); code != SysError::None) return code;
        }
    }
    return SysError::None;
}

bool IsFolder(const Entry& entry) {
    return (entry.info.attributes & kAttributeDirectory) != 0;
}

// Copies the listed tree from from\ into to\, which exists.
SysError CopyTree(const std::wstring& from,
                  const std::wstring& to,
                  std::vector<Entry>& entries,
                  const StopCheck& stop) {
    std::vector<char> buffer(kChunkBytes);
    for (Entry& entry : entries) {
        SysError code = SysError::None;
        if (IsFolder(entry)) {
            code = Os().CreateDirectory(to + entry.relative);
        } else {
            Copy made;
            code = CopyChecked(from + entry.relative, to + entry.relative, buffer, stop, made);
            entry.info = made.before;
        }
        if (code != SysError::None) return code;
    }
    return SysError::None;
}

// Opens every listed file of the tree at from\ as a move would and finds it as it was copied;
// with remove, deletes it too. The code of the first file that fails, with its entry in failed.
SysError CheckFiles(const std::wstring& from, const std::vector<Entry>& entries, bool remove, std::wstring& failed) {
    for (const Entry& entry : entries) {
        if (IsFolder(entry)) continue;
        failed = entry.relative;
        std::unique_ptr<SourceFile> source;
        ItemInfo now;
        SysError code = Os().OpenToMove(from + entry.relative, source);
        if (code == SysError::None) code = source->Stat(now);
        if (code != SysError::None) return code;
        if (now.size != entry.info.size || now.lastWrite != entry.info.lastWrite) return kErrorSharingViolation;
        if (remove && (code = source->Delete()) != SysError::None) return code;
    }
    failed.clear();
    return SysError::None;
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

SysError MoveFileAcross(const std::wstring& from,
                        const std::wstring& targetFolder,
                        const std::wstring& name,
                        const StopCheck& stop) {
    // A link is never opened: its copy would be the file it points to, and deleting through it
    // would delete that file.
    ItemInfo item;
    if (const SysError code = Os().FindItem(from, item); code != SysError::None) return code;
    if (item.attributes & (kAttributeReparsePoint | kAttributeDirectory)) return kErrorNotSupported;

    // A small file needs no more room than itself (0 would read nothing at all).
    std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(kChunkBytes, item.size + 1)));
    Copy made;
    std::wstring temp;
    const SysError code = AtFreeCopyName(targetFolder, Os().TickCount(), name, temp, [&](const std::wstring& to) {
        made = Copy{};
        return CopyChecked(from, to, buffer, stop, made);
    });
    if (code != SysError::None) return code;
    if (const SysError renameCode = Os().MoveFile(temp, targetFolder + name); renameCode != SysError::None) {
        made.copy->Discard();
        return renameCode;
    }
    // The original goes through the handle that kept writers out since the copy began. Should
    // that fail, the copy goes again: the item stays whole in one place, as if it were in use.
    if (made.source->Delete() != SysError::None) {
        made.copy->Discard();
        return kErrorSharingViolation;
    }
    return SysError::None;
}

FolderMove MoveFolderAcross(const std::wstring& from,
                            const std::wstring& targetFolder,
                            const std::wstring& name,
                            uint32_t tick,
                            const StopCheck& stop) {
    FolderMove result;
    const std::wstring source = WithTrailingBackslash(from);
    std::vector<Entry> entries;
    if ((result.code = ListTree(source, L"", entries, result.link)) != SysError::None) return result;

    std::wstring temp;
    result.code =
        AtFreeCopyName(targetFolder, tick, name, temp, [](const std::wstring& to) { return Os().CreateDirectory(to); });
    if (result.code != SysError::None) return result;
    result.code = CopyTree(source, temp + L"\\", entries, stop);
    const std::wstring target = targetFolder + name;
    if (result.code == SysError::None) result.code = Os().MoveFile(temp, target);
    if (result.code != SysError::None) {
        RemoveTree(temp);
        return result;
    }

    // Nothing on the desktop is deleted before every file there can be: a file opened or changed
    // since its copy sends the whole folder back.
    std::wstring failed;
    if ((result.code = CheckFiles(source, entries, false, failed)) != SysError::None) {
        RemoveTree(target);
        return result;
    }
    // The target holds the whole folder now. What cannot be deleted in the instant since the
    // check stays on the desktop as well, and is named.
    if (CheckFiles(source, entries, true, failed) != SysError::None) {
        result.leftover = failed;
        return result;
    }
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (IsFolder(*it) && Os().RemoveFolder(source + it->relative) != SysError::None && result.leftover.empty())
            result.leftover = it->relative;
    if (Os().RemoveFolder(from) != SysError::None && result.leftover.empty()) result.leftover = L".";
    return result;
}

bool RemoveTree(const std::wstring& path) {
    ItemInfo item;
    if (const SysError code = Os().FindItem(path, item); code != SysError::None) return code == kErrorFileNotFound;
    if (!(item.attributes & kAttributeDirectory)) {
        std::unique_ptr<SourceFile> file;
        return Os().OpenToMove(path, file) == SysError::None && file->Delete() == SysError::None;
    }
    // A link is removed itself; what it points to is never entered.
    std::vector<ItemInfo> items;
    bool whole =
        (item.attributes & kAttributeReparsePoint) != 0 || Os().ListFolder(path, L"*", items) == SysError::None;
    for (const ItemInfo& inside : items)
        whole = RemoveTree(WithTrailingBackslash(path) + inside.name) && whole;
    return Os().RemoveFolder(path) == SysError::None && whole;
}

void RecoverCopies(const std::wstring& desktopFolder, const std::wstring& targetFolder, StringList& lines) {
    // Only the copies are listed: a target of many thousand items costs the start nothing more.
    std::vector<ItemInfo> items;
    if (Os().ListFolder(targetFolder, kCopyPrefix + L"*", items) != SysError::None) return;
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
            if (!back.empty() && Os().MoveFile(holding, back) == SysError::None)
                lines.push_back(L"Folder: " + holding + L" renamed back to: " + back);
        } else if (Os().FileExists(desktopFolder + name) || Os().DirectoryExists(desktopFolder + name)) {
            if (RemoveTree(copy)) lines.push_back(L"Unfinished copy removed: " + copy);
        } else {
            // The original is gone: this copy is all that is left of the item, so it is kept.
            const std::wstring kept = FreeName(targetFolder, Lowered(name), isFolder);
            if (!kept.empty() && Os().MoveFile(copy, kept) == SysError::None)
                lines.push_back(L"Unfinished copy kept: " + copy + L" renamed to: " + kept);
        }
    }
}

}  // namespace vantrel

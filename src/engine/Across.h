// Moves between volumes, where one rename cannot do it. Each item is copied under a name nobody
// uses, the copy is checked against the original, put in place with one rename that never
// replaces, and only then is the original deleted: nothing half-written ever bears a real name,
// and an item is never in two places or in none.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Errors.h"
#include "platform/Text.h"

namespace vantrel {

// Looked at between the chunks of a copy: true ends it (the program is ending).
using StopCheck = std::function<bool()>;

// ERROR_NOT_SUPPORTED: a link, which a move to another volume does not copy.
constexpr SysError kErrorNotSupported{50};

// Moves the file from (a full path) to targetFolder + name. Returns None when moved; otherwise the
// system's code, and the original is whole where it was and the target holds no copy of it.
// A file another program writes or opened meanwhile gives kErrorSharingViolation; an end
// asked for by stop gives kErrorCancelled.
SysError MoveFileAcross(const std::wstring& from,
                        const std::wstring& targetFolder,
                        const std::wstring& name,
                        const StopCheck& stop);

// How a folder's move to another volume ended.
struct FolderMove {
    SysError code = SysError::None;  // None: the target holds the whole folder under its name
    std::wstring link;               // with kErrorNotSupported: the link inside, relative to the folder
    std::wstring leftover;           // with None: an item, relative to the folder, that stayed behind in use
};

// Moves the folder from (a full path) to targetFolder + name; its copy is named after tick, the
// tick of the folder's holding name. On failure the target holds nothing of it.
FolderMove MoveFolderAcross(const std::wstring& from,
                            const std::wstring& targetFolder,
                            const std::wstring& name,
                            uint32_t tick,
                            const StopCheck& stop);

// Deletes a file, or a folder with everything in it; read-only files too. False when something
// stays.
bool RemoveTree(const std::wstring& path);

// After a start: copies that a move which never ended (the process was killed, the power failed)
// left in targetFolder. A copy whose original is still on the desktop is deleted, and a folder
// that was taken for the move gets its name back; a copy whose original is gone is the only one
// left and gets its real name (or a numbered one). One line per copy goes to lines.
void RecoverCopies(const std::wstring& desktopFolder, const std::wstring& targetFolder, StringList& lines);

}  // namespace vantrel

// The names the engine makes up for items, in one place: the batch must recognise what the folder
// mover names, and both build the clash name the same way.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Text.h"

namespace vantrel {

// A folder being moved waits on the desktop under a name with this prefix; the batch passes over
// every name that starts with it.
inline const std::wstring kHoldingPrefix = L"~dvrename";

// The bare name a folder bears on the desktop while it is being moved.
inline std::wstring HoldingName(uint32_t tick, const std::wstring& name) {
    return kHoldingPrefix + SignedStr(tick) + L"_" + name;
}

// A copy on its way to another volume bears a name with this prefix in the target folder until it
// is complete; after a crash, the next start finds it by this prefix.
inline const std::wstring kCopyPrefix = L"~dvcopy";

// The bare name of the copy of name, made at tick.
inline std::wstring CopyName(uint32_t tick, const std::wstring& name) {
    return kCopyPrefix + SignedStr(tick) + L"_" + name;
}

// The full path an item already in the target folder is renamed aside to.
inline std::wstring ClashName(const std::wstring& targetFolder, uint32_t tick, const std::wstring& name) {
    return targetFolder + L"Rename" + SignedStr(tick) + L"_" + name;
}

inline bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace vantrel

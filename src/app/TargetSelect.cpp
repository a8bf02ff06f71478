#include "app/TargetSelect.h"

#include <algorithm>

#include "platform/Platform.h"
#include "settings/Options.h"

namespace vantrel {

StringList SelectMenuFolders(const TOptions& options) {
    const Settings s = options.Snapshot();
    StringList folders;
    folders.reserve(s.AlternateFolders.size() + 1);
    folders.push_back(s.DestinationFolder);
    folders.insert(folders.end(), s.AlternateFolders.begin(), s.AlternateFolders.end());
    return folders;
}

bool SelectTargetFolder(TOptions& options, const std::wstring& folder) {
    // One snapshot in, one assignment out: a batch reading the folders at the same time sees
    // either the old pair of target and alternates or the new one, never a mix.
    Settings s = options.Snapshot();
    if (folder == s.DestinationFolder) return false;
    // Compared the way the file system sees them: letter case ignored, also beyond ASCII.
    const std::wstring wanted = Lowered(folder);
    auto same = std::find_if(s.AlternateFolders.begin(), s.AlternateFolders.end(),
                             [&](const std::wstring& alternate) { return Lowered(alternate) == wanted; });
    if (same != s.AlternateFolders.end()) s.AlternateFolders.erase(same);
    s.AlternateFolders.push_back(s.DestinationFolder);
    s.DestinationFolder = folder;
    options.Assign(s);
    return true;
}

std::wstring MenuCaption(const std::wstring& folder) {
    std::wstring caption;
    caption.reserve(folder.size() + 4);
    for (wchar_t c : folder) {
        caption += c;
        if (c == L'&') caption += L'&';
    }
    return caption;
}

}  // namespace vantrel

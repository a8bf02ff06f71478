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
    for (const std::wstring& alternate : s.AlternateFolders) {
        auto same = [&](const std::wstring& shown) { return SameFolder(shown, alternate); };
        if (std::none_of(folders.begin(), folders.end(), same)) folders.push_back(alternate);
    }
    return folders;
}

bool SelectTargetFolder(TOptions& options, const std::wstring& folder) {
    // One snapshot in, one assignment out: a batch reading the folders at the same time sees
    // either the old pair of target and alternates or the new one, never a mix.
    Settings s = options.Snapshot();
    if (SameFolder(folder, s.DestinationFolder)) return false;
    auto same = std::find_if(s.AlternateFolders.begin(), s.AlternateFolders.end(),
                             [&](const std::wstring& alternate) { return SameFolder(alternate, folder); });
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

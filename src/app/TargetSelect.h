// Switching the target folder from the tray's "Se&lect" submenu.
// Portable: works on the settings object and plain strings, no menus.
#pragma once

#include <string>

#include "platform/Text.h"

namespace vantrel {

class TOptions;

// The submenu's folders, one per entry, top to bottom: the target folder, then the alternates in order,
// each folder once (SameFolder): an alternate that names a folder listed above it has no entry.
// Each entry keeps its folder, so a click never has to recover the folder from the caption.
StringList SelectMenuFolders(const TOptions& options);

// Makes folder the target folder. The current target goes to the end of the alternates and the
// first alternate naming the same folder leaves them. Choosing the current target changes nothing. Returns whether
// anything changed (the caller then saves the settings).
bool SelectTargetFolder(TOptions& options, const std::wstring& folder);

// A folder as a menu caption: every "&" doubled, so the menu shows it and takes no accelerator from it.
std::wstring MenuCaption(const std::wstring& folder);

}  // namespace vantrel

#include "app/ShellServices.h"

#include <shellapi.h>

#include "app/Main.h"

namespace vantrel {

void DesktopShell::Execute(const std::wstring& verb, const std::wstring& file) {
    ShellExecuteW(nullptr, verb.c_str(), file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void DesktopShell::Refuse(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), kAppTitle, MB_OK | MB_ICONWARNING);
}

}  // namespace vantrel

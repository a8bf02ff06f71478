// What the main window asks of the desktop shell: to open a folder or a file with a verb, and to
// tell the user why an entry or a save was refused. The program gives the window DesktopShell;
// tests give it one that records what would have been asked.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

class ShellServices {
  public:
    virtual ~ShellServices() = default;
    // Runs verb ("open", "explore") on a file or folder, with no owner, parameters or directory.
    virtual void Execute(const std::wstring& verb, const std::wstring& file) = 0;
    // Tells the user why something was refused, over owner, and returns once the user has read it.
    virtual void Refuse(HWND owner, const std::wstring& text) = 0;
};

// The real shell: ShellExecuteW, and a warning box with the program's title.
class DesktopShell final : public ShellServices {
  public:
    void Execute(const std::wstring& verb, const std::wstring& file) override;
    void Refuse(HWND owner, const std::wstring& text) override;
};

}  // namespace vantrel

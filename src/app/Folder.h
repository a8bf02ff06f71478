// TFolderForm: the folder picker behind "&Browse". The shell's folder chooser, titled
// "Select folder", owned by the main window. It opens at the folder it showed when it was last
// closed (by OK or Cancel), at first at the process's current folder, and works with Unicode
// paths throughout.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

class TFolderForm {
  public:
    explicit TFolderForm(HWND owner);
    ~TFolderForm();
    TFolderForm(const TFolderForm&) = delete;
    TFolderForm& operator=(const TFolderForm&) = delete;

    // Shows the chooser modally; kModalOk (1) or kModalCancel (2).
    int ShowModal();
    // The chosen folder: a full path without a trailing backslash except at a drive's root.
    const std::wstring& Directory() const { return directory_; }
    // The folder the chooser will open at.
    const std::wstring& ShownFolder() const { return shown_; }

  private:
    static int CALLBACK Callback(HWND dialog, UINT msg, LPARAM lParam, LPARAM data);

    HWND owner_;
    std::wstring directory_;
    std::wstring shown_;
};

}  // namespace vantrel

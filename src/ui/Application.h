// The application object: its title, the message loop and the application-wide message filter.
//
// Every message taken from the main thread's queue, by the main loop or a modal loop, goes first
// to the filter, which may set the handled flag to stop it; the rest go through IsDialogMessage
// for the window that asked for keyboard navigation, or are translated and dispatched.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace vantrel::ui {

using MessageFilter = std::function<void(MSG& msg, bool& handled)>;

class TApplication {
  public:
    static TApplication& Instance();

    std::wstring Title;

    void SetMessageFilter(MessageFilter filter) { filter_ = std::move(filter); }
    // Tab, arrow keys, Esc and the default button work in this top-level window.
    void AddDialogWindow(HWND hwnd);
    void RemoveDialogWindow(HWND hwnd);

    // Runs until WM_QUIT; returns its exit code.
    int Run();
    // One message: filter, then keyboard navigation or dispatch.
    void ProcessMessage(MSG& msg);
    // Handles every message waiting in the queue and returns (tests).
    void ProcessMessages();

    // The standard display for an error that escaped an event handler or the message filter:
    // handed to OnException, then shown once; the program goes on.
    void ShowException(const std::string& message);
    // Told of each such error with its text (the program writes it to its log).
    std::function<void(const std::wstring& message)> OnException;

  private:
    void Dispatch(MSG& msg);

    MessageFilter filter_;
    std::vector<HWND> dialogWindows_;
};

}  // namespace vantrel::ui

// The global hotkeys and the application-wide message filter: what the window does with a
// message before it is dispatched.
#include "app/Main.h"

namespace vantrel {

namespace {
constexpr UINT kHotKeyModifiers = MOD_ALT | MOD_CONTROL | MOD_SHIFT;
}  // namespace

void TMainForm::RegisterHotKeys() {
    RegisterHotKey(Handle(), 1, kHotKeyModifiers, 'H');
    RegisterHotKey(Handle(), 2, kHotKeyModifiers, 'X');
    RegisterHotKey(Handle(), 3, kHotKeyModifiers, 'I');
    RegisterHotKey(Handle(), 4, kHotKeyModifiers, 'Z');
    RegisterHotKey(Handle(), 5, kHotKeyModifiers, 'T');
}

void TMainForm::ApplicationHotKeyEventsMessage(MSG& msg, bool& handled) {
    handled = false;
    switch (msg.message) {
        case WM_NCLBUTTONDOWN:
            // A press on the main window's own close button hides the window instead of closing
            // it. The window's hit test names the button, so a press on another window (or on
            // this one's frame nearby) is left alone.
            if (msg.hwnd == Handle() && msg.wParam == HTCLOSE) {
                showAction_->Execute();
                handled = true;
            }
            break;
        case WM_SYSCOMMAND:
            if ((msg.wParam & 0xFFF0) == SC_CLOSE) {
                showAction_->Execute();
                handled = true;
            }
            break;
        case WM_HOTKEY:
            HotKey(msg.lParam);
            handled = true;
            break;
        default:
            break;
    }
}

void TMainForm::HotKey(LPARAM lParam) {
    // Told apart by the modifiers and key in lParam, not by the ids.
    if (LOWORD(lParam) != kHotKeyModifiers) return;
    switch (HIWORD(lParam)) {
        case 'H':
            showAction_->Execute();
            break;
        case 'I':
            showIconAction_->Execute();
            break;
        case 'X':
            exitAction_->Execute();
            break;
        case 'Z':
            // The journal may have had its first batch since the menu last opened.
            UpdateUndoAction();
            undoAction_->Execute();
            break;
        case 'T':
            tidyAction_->Execute();
            break;
        default:
            break;
    }
}

}  // namespace vantrel

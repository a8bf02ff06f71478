#include "app/MemoKeys.h"

#include <cstring>

namespace vantrel {

bool SelectAllOnCtrlA(HWND memo, WPARAM key) {
    if (key != 'A' || GetKeyState(VK_CONTROL) >= 0) return false;
    SendMessageW(memo, EM_SETSEL, 0, -1);
    return true;
}

bool CopyToClipboard(HWND owner, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    if (void* target = GlobalLock(memory)) {
        std::memcpy(target, text.c_str(), bytes);
        GlobalUnlock(memory);
    }
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    // The clipboard owns the memory once it has taken it.
    const bool taken = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (!taken) GlobalFree(memory);
    CloseClipboard();
    return taken;
}

}  // namespace vantrel

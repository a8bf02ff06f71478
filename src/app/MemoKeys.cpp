#include "app/MemoKeys.h"

namespace vantrel {

bool SelectAllOnCtrlA(HWND memo, WPARAM key) {
    if (key != 'A' || GetKeyState(VK_CONTROL) >= 0) return false;
    SendMessageW(memo, EM_SETSEL, 0, -1);
    return true;
}

}  // namespace vantrel

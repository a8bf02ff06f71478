#include "ui/Splitter.h"

#include <windowsx.h>

#include <algorithm>

namespace vantrel::ui {

bool TSplitter::Create(HWND parent, UINT id) {
    WindowArgs args;
    args.className = L"VantrelSplitter";
    args.style = WS_CHILD | WS_VISIBLE;
    args.x = args.y = args.width = args.height = 0;
    args.owner = parent;
    args.id = id;
    return TWindow::Create(args);
}

LRESULT TSplitter::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
            return TRUE;
        case WM_LBUTTONDOWN:
            dragging_ = true;
            SetCapture(Handle());
            return 0;
        case WM_MOUSEMOVE:
            if (dragging_) Drag(lParam);
            return 0;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            dragging_ = false;
            if (msg == WM_LBUTTONUP && GetCapture() == Handle()) ReleaseCapture();
            return 0;
        default:
            return Default(msg, wParam, lParam);
    }
}

void TSplitter::Drag(LPARAM lParam) {
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    HWND parent = GetParent(Handle());
    MapWindowPoints(Handle(), parent, &pt, 1);
    RECT area;
    GetClientRect(parent, &area);
    if (area.right <= 0) return;
    share_ = std::clamp(MulDiv(pt.x, 1000, area.right), 0, 1000);
    if (onMoved) onMoved();
}

int TSplitter::Position(int width, int minPart) const {
    int position = MulDiv(width, share_, 1000);
    if (width < 2 * minPart) return width / 2;
    return std::clamp(position, minPart, width - minPart);
}

}  // namespace vantrel::ui

#include "ui/Splitter.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "ui/Controls.h"

namespace vantrel::ui {

namespace {

struct SplitterState {
    std::function<void()> onMoved;
    int share = 500;  // thousandths of the parent's width left of the bar
    bool dragging = false;
};

SplitterState* StateOf(HWND hwnd) {
    return reinterpret_cast<SplitterState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK SplitterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    SplitterState* state = StateOf(hwnd);
    switch (msg) {
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
            return TRUE;
        case WM_LBUTTONDOWN:
            if (state) state->dragging = true;
            SetCapture(hwnd);
            return 0;
        case WM_MOUSEMOVE:
            if (state && state->dragging) {
                POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
                HWND parent = GetParent(hwnd);
                MapWindowPoints(hwnd, parent, &pt, 1);
                RECT area;
                GetClientRect(parent, &area);
                if (area.right > 0) {
                    state->share = std::clamp(MulDiv(pt.x, 1000, area.right), 0, 1000);
                    if (state->onMoved) state->onMoved();
                }
            }
            return 0;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (state) state->dragging = false;
            if (msg == WM_LBUTTONUP && GetCapture() == hwnd) ReleaseCapture();
            return 0;
        case WM_NCDESTROY: {
            std::unique_ptr<SplitterState> owned(state);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            return 0;
        }
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

HWND CreateSplitter(HWND parent, UINT id, std::function<void()> onMoved) {
    static const wchar_t* const kClass = L"VantrelSplitter";
    RegisterClassOnce(kClass, SplitterProc, ButtonFace());
    HWND hwnd = CreateWindowExW(0, kClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (hwnd) {
        auto state = std::make_unique<SplitterState>();
        state->onMoved = std::move(onMoved);
        // Owned by the window from here on; freed at WM_NCDESTROY.
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
    }
    return hwnd;
}

int SplitterShare(HWND splitter) {
    SplitterState* state = StateOf(splitter);
    return state ? state->share : 500;
}

int SplitterPosition(HWND splitter, int width, int minPart) {
    int position = MulDiv(width, SplitterShare(splitter), 1000);
    if (width < 2 * minPart) return width / 2;
    return std::clamp(position, minPart, width - minPart);
}

}  // namespace vantrel::ui

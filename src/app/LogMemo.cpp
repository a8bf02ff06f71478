// The log page's memo: a read-only edit that shows the activity log, or a stretch of it when the
// log is longer than the control can take in at once without holding the window.
#include <windows.h>

#include <string>

#include "app/MainPages.h"
#include "app/MemoKeys.h"
#include "ui/Controls.h"

namespace vantrel {

namespace {

size_t FirstVisibleLine(HWND memo) {
    return static_cast<size_t>(SendMessageW(memo, EM_GETFIRSTVISIBLELINE, 0, 0));
}

// Whether the memo's last line is in view.
bool LastLineShown(HWND memo) {
    const int length = GetWindowTextLengthW(memo);
    if (length == 0) return true;
    const LRESULT at = SendMessageW(memo, EM_POSFROMCHAR, static_cast<WPARAM>(length - 1), 0);
    RECT client = {};
    GetClientRect(memo, &client);
    return at != -1 && static_cast<short>(HIWORD(at)) < client.bottom;
}

// Which way a scrolling message goes: -1 back, 1 on, 0 neither (or not scrolling at all).
int Way(UINT msg, WPARAM wParam) {
    if (msg == WM_MOUSEWHEEL) return GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? -1 : 1;
    if (msg == WM_VSCROLL) {
        const WORD code = LOWORD(wParam);
        if (code == SB_LINEUP || code == SB_PAGEUP || code == SB_TOP) return -1;
        if (code == SB_LINEDOWN || code == SB_PAGEDOWN || code == SB_BOTTOM) return 1;
        return 0;
    }
    if (msg != WM_KEYDOWN) return 0;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    if (wParam == VK_UP || wParam == VK_PRIOR || (control && wParam == VK_HOME)) return -1;
    if (wParam == VK_DOWN || wParam == VK_NEXT || (control && wParam == VK_END)) return 1;
    return 0;
}

bool MovesTheSelection(WPARAM key) {
    return key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT || key == VK_PRIOR || key == VK_NEXT ||
           key == VK_HOME || key == VK_END;
}

}  // namespace

bool TLogMemo::Create(HWND parent, UINT id) {
    if (!TEdit::Create(parent, id,
                       ui::kTabStop | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL))
        return false;
    // No length limit: text set from elsewhere is shown whole.
    SetLimit(0);
    return true;
}

void TLogMemo::ShowLog(std::wstring text) {
    log_ = std::move(text);
    hasLog_ = true;
    ShowStretch(StretchAtEnd(log_, kStretchChars));
    const WPARAM end = shown_.end - shown_.start;
    SendMessageW(Handle(), EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(Handle(), EM_SCROLLCARET, 0, 0);
}

const std::wstring& TLogMemo::Text() {
    if (hasLog_) return log_;
    own_ = ui::GetText(Handle());
    return own_;
}

void TLogMemo::GetSelection(size_t& start, size_t& length) const {
    DWORD from = 0, to = 0;
    SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    start = from + (hasLog_ ? shown_.start : 0);
    length = to >= from ? to - from : 0;
}

void TLogMemo::Select(size_t start, size_t length) {
    if (hasLog_ && (start < shown_.start || start + length > shown_.end))
        ShowStretch(StretchAround(log_, start, length, kStretchChars));
    const size_t at = start - (hasLog_ ? shown_.start : 0);
    SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(at), static_cast<LPARAM>(at + length));
    SendMessageW(Handle(), EM_SCROLLCARET, 0, 0);
}

void TLogMemo::ShowStretch(TextStretch stretch) {
    setting_ = true;
    ui::SetText(Handle(), log_.substr(stretch.start, stretch.end - stretch.start));
    setting_ = false;
    shown_ = stretch;
    allSelected_ = false;
}

void TLogMemo::Scrolling(UINT msg, WPARAM wParam) {
    const int way = Way(msg, wParam);
    if (!hasLog_ || way == 0) return;
    if (way < 0 && shown_.start > 0 && FirstVisibleLine(Handle()) == 0) PageBack();
    if (way > 0 && shown_.end < log_.size() && LastLineShown(Handle())) PageOn();
}

void TLogMemo::PageBack() {
    const size_t back = shown_.start > kStretchChars / 2 ? shown_.start - kStretchChars / 2 : 0;
    PageTo(StretchFrom(log_, back, kStretchChars));
}

void TLogMemo::PageOn() {
    const size_t top = shown_.start + static_cast<size_t>(SendMessageW(
                                          Handle(), EM_LINEINDEX, static_cast<WPARAM>(FirstVisibleLine(Handle())), 0));
    const size_t on = shown_.end > kStretchChars / 2 ? shown_.end - kStretchChars / 2 : 0;
    PageTo(StretchFrom(log_, on < top ? on : top, kStretchChars));
}

// Shows next with the same line at the top and the selection kept where next holds it (else the
// caret on that top line): the memo looks as before, and the scrolling goes on into next.
void TLogMemo::PageTo(TextStretch next) {
    HWND memo = Handle();
    const size_t top = shown_.start + static_cast<size_t>(SendMessageW(memo, EM_LINEINDEX, FirstVisibleLine(memo), 0));
    size_t start = 0, length = 0;
    GetSelection(start, length);
    ShowStretch(next);
    if (start < next.start || start + length > next.end) {
        start = top;
        length = 0;
    }
    SendMessageW(memo, EM_SETSEL, start - next.start, static_cast<LPARAM>(start - next.start + length));
    const LRESULT line = SendMessageW(memo, EM_LINEFROMCHAR, top - next.start, 0);
    SendMessageW(memo, EM_LINESCROLL, 0, line - static_cast<LRESULT>(FirstVisibleLine(memo)));
}

bool TLogMemo::CopyWholeLog() {
    if (!allSelected_) return false;
    DWORD from = 0, to = 0;
    SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    if (from != 0 || to != static_cast<DWORD>(GetWindowTextLengthW(Handle()))) return false;
    return CopyToClipboard(Handle(), log_);
}

LRESULT TLogMemo::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case kLogRead:
            if (onLogRead) onLogRead();
            return 0;
        case WM_SETTEXT:
            // Text from elsewhere takes the log's place.
            if (!setting_) {
                hasLog_ = allSelected_ = false;
                log_ = std::wstring();
            }
            break;
        case WM_KEYDOWN:
            if (SelectAllOnCtrlA(Handle(), wParam)) {
                // With a stretch shown, a copy now takes the whole log.
                allSelected_ = hasLog_ && (shown_.start > 0 || shown_.end < log_.size());
                return 0;
            }
            if (MovesTheSelection(wParam)) allSelected_ = false;
            Scrolling(msg, wParam);
            break;
        case WM_CHAR:
            // The character Ctrl+A makes would only beep in a read-only memo.
            if (wParam == 1) return 0;
            break;
        case WM_COPY:
            if (CopyWholeLog()) return 0;
            break;
        case WM_LBUTTONDOWN:
            allSelected_ = false;
            break;
        case WM_VSCROLL:
        case WM_MOUSEWHEEL:
            Scrolling(msg, wParam);
            break;
    }
    return Default(msg, wParam, lParam);
}

}  // namespace vantrel

// The log page: view, clear and search the activity log in the memo; Ctrl+A in the memo; the
// tray's "View log", which opens the log file in the program the system associates with it.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/Main.h"
#include "app/MemoKeys.h"
#include "platform/Platform.h"
#include "ui/TextSearch.h"

namespace vantrel {

namespace {

LRESULT CALLBACK LogMemoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* form = reinterpret_cast<TMainForm*>(data);
    switch (msg) {
        case WM_KEYDOWN:
            if (form->LogMemoKeyDown(wParam)) return 0;
            break;
        case WM_CHAR:
            // The character Ctrl+A makes would only beep in a read-only memo.
            if (wParam == 1) return 0;
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, LogMemoProc, 1);
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// The memo's selection as start and length, in its own character units.
void GetSelection(HWND memo, size_t& start, size_t& length) {
    DWORD from = 0, to = 0;
    SendMessageW(memo, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    start = from;
    length = to >= from ? to - from : 0;
}

// An error as a line of its own below whatever the memo shows.
void AddErrorLine(HWND memo, const std::wstring& line) {
    std::wstring text = ui::GetText(memo);
    if (!text.empty() && text.back() != L'\n') text += L"\r\n";
    text += line;
    ui::SetText(memo, text);
}

}  // namespace

void TMainForm::CreateLogPage() {
    // A log of any length fits; the memo's own default limit would cut it.
    SendMessageW(LogMemo, EM_SETLIMITTEXT, 0, 0);
    SetWindowSubclass(LogMemo, LogMemoProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

bool TMainForm::LogMemoKeyDown(WPARAM key) {
    return SelectAllOnCtrlA(LogMemo, key);
}

void TMainForm::ViewLogButtonClick() {
    TLogger* log = options_.Logger();
    const std::wstring name = log ? log->LogFileName() : std::wstring();
    if (name.empty() || !Os().FileExists(name)) {
        AddErrorLine(LogMemo, L"Error open log file");
        return;
    }
    try {
        ui::SetText(LogMemo, log->ReadAll());
    } catch (const TLogFileError& e) {
        AddErrorLine(LogMemo, L"Error read log file. Error code: " + std::to_wstring(e.Code()));
    }
}

void TMainForm::ClearLogButtonClick() {
    try {
        if (TLogger* log = options_.Logger()) log->Clear();
    } catch (const TLogFileError& e) {
        AddErrorLine(LogMemo, L"Error clear log file. Error code: " + std::to_wstring(e.Code()));
        return;
    }
    ui::SetText(LogMemo, L"Log cleared");
}

void TMainForm::SearchButtonClick() {
    const std::wstring text = ui::GetText(LogMemo);
    const std::wstring query = ui::GetText(SearchEdit);
    size_t start = 0, length = 0;
    GetSelection(LogMemo, start, length);
    const bool up = ui::IsChecked(UpRadio);
    std::optional<size_t> found = up ? FindUp(text, start, length, query) : FindDown(text, start, length, query);
    // The focus stays where it is; the memo shows its selection without it.
    if (found)
        SendMessageW(LogMemo, EM_SETSEL, static_cast<WPARAM>(*found), static_cast<LPARAM>(*found + query.size()));
}

void TMainForm::ViewLogActionExecute() {
    TLogger* log = options_.Logger();
    if (ShellVerb) ShellVerb(L"Open", log ? log->LogFileName() : std::wstring());
}

}  // namespace vantrel

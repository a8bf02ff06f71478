// The "Miscellaneous" page: view, clear and search the activity log in the memo, Ctrl+A in the
// memo; the notes, icon and start-at-logon boxes.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/AutoStart.h"
#include "app/Main.h"
#include "app/MainPages.h"
#include "app/MemoKeys.h"
#include "platform/Platform.h"
#include "ui/TextSearch.h"

namespace vantrel {

namespace {

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

bool TLogMemo::Create(HWND parent, UINT id) {
    HWND memo = ui::CreateControl(
        parent, WC_EDITW, L"", ui::kTabStop | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL,
        id, WS_EX_CLIENTEDGE);
    // A log of any length fits; the memo's own default limit would cut it.
    SendMessageW(memo, EM_SETLIMITTEXT, 0, 0);
    return Subclass(memo);
}

LRESULT TLogMemo::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN && SelectAllOnCtrlA(Handle(), wParam)) return 0;
    // The character Ctrl+A makes would only beep in a read-only memo.
    if (msg == WM_CHAR && wParam == 1) return 0;
    return Default(msg, wParam, lParam);
}

void TMiscPage::Create(HWND parent, ui::TActionList& actions) {
    ui::TPanel::Create(parent);
    HWND panel = Handle();
    searchEdit_ = ui::CreateEdit(panel, kSearchEdit);
    directionGroup_ = ui::CreateGroupBox(panel, L"Direction:");
    upRadio_.Create(panel, L"&Up", ui::kTabStop | BS_AUTORADIOBUTTON | WS_GROUP, kUpRadio);
    downRadio_.Create(panel, L"&Down", WS_VISIBLE | BS_AUTORADIOBUTTON, kDownRadio);
    downRadio_.SetChecked(true);
    searchButton_.Create(panel, L"Sea&rch log", ui::kPushButton, kSearchButton);
    viewLogButton_.Create(panel, L"&View log", ui::kPushButton, kViewLogButton);
    clearLogButton_.Create(panel, L"&Clear log", ui::kPushButton, kClearLogButton);
    logMemo_.Create(panel, kLogMemo);
    notesGroup_ = ui::CreateGroupBox(panel, L"Notes:");
    noteCheckBox_.Create(panel, L"&Take notes", ui::kCheckBox, kTakeNoteAction);
    saveNoteFilesCheckBox_.Create(panel, L"S&ave note files", ui::kCheckBox, kSaveNoteFilesCheckBox);
    notesLine_ = ui::CreateLabel(panel, L"", SS_ETCHEDVERT);
    iconCheckBox_.Create(panel, L"Show &icon", ui::kCheckBox, kIconCheckBox);
    autoStartCheckBox_.Create(panel, L"Aut&o start", ui::kCheckBox, kAutoStartAction);
    takeNote_ = actions.Find(kTakeNoteAction);
    takeNote_->Bind(noteCheckBox_);
    actions.Find(kAutoStartAction)->Bind(autoStartCheckBox_);
    searchButton_.onClick = [this] { SearchButtonClick(); };
    viewLogButton_.onClick = [this] { ViewLogButtonClick(); };
    clearLogButton_.onClick = [this] { ClearLogButtonClick(); };
}

void TMiscPage::Show(const Settings& s) {
    takeNote_->SetChecked(s.QuickNote);
    iconCheckBox_.SetChecked(s.ShowIcon);
    saveNoteFilesCheckBox_.SetChecked(s.SaveNoteFiles);
    TakeNoteActionExecute();
}

void TMiscPage::Store(Settings& s) const {
    s.QuickNote = noteCheckBox_.Checked();
    s.SaveNoteFiles = saveNoteFilesCheckBox_.Checked();
    s.ShowIcon = iconCheckBox_.Checked();
}

void TMiscPage::TakeNoteActionExecute() {
    saveNoteFilesCheckBox_.SetEnabled(noteCheckBox_.Checked());
}

void TMiscPage::AutoStartActionExecute() {
    SetAutoStart(autoStartCheckBox_.Checked());
}

void TMiscPage::ViewLogButtonClick() {
    HWND memo = logMemo_.Handle();
    TLogger* log = options_.Logger();
    const std::wstring name = log ? log->LogFileName() : std::wstring();
    if (name.empty() || !Os().FileExists(name)) {
        AddErrorLine(memo, L"Error open log file");
        return;
    }
    try {
        ui::SetText(memo, log->ReadAll());
    } catch (const TLogFileError& e) {
        AddErrorLine(memo, L"Error read log file. Error code: " + std::to_wstring(e.Code()));
    }
}

void TMiscPage::ClearLogButtonClick() {
    try {
        if (TLogger* log = options_.Logger()) log->Clear();
    } catch (const TLogFileError& e) {
        AddErrorLine(logMemo_.Handle(), L"Error clear log file. Error code: " + std::to_wstring(e.Code()));
        return;
    }
    ui::SetText(logMemo_.Handle(), L"Log cleared");
}

void TMiscPage::SearchButtonClick() {
    HWND memo = logMemo_.Handle();
    const std::wstring text = ui::GetText(memo);
    const std::wstring query = ui::GetText(searchEdit_);
    size_t start = 0, length = 0;
    GetSelection(memo, start, length);
    const bool up = upRadio_.Checked();
    std::optional<size_t> found = up ? FindUp(text, start, length, query) : FindDown(text, start, length, query);
    // The focus stays where it is; the memo shows its selection without it.
    if (found) SendMessageW(memo, EM_SETSEL, static_cast<WPARAM>(*found), static_cast<LPARAM>(*found + query.size()));
}

void TMiscPage::Layout(UINT dpi) {
    auto at = [&](HWND c, int x, int y, int cw, int ch) { ui::Place(c, x, y, cw, ch, dpi); };
    const SIZE size = Size96(dpi);
    const int w = size.cx;
    // The search strip, the two log buttons at the right, the memo, the notes group at the bottom.
    int logButtonW = 62;
    at(searchEdit_, 8, 14, 96, 21);
    at(directionGroup_, 110, 2, 104, 40);
    at(upRadio_.Handle(), 118, 18, 40, 17);
    at(downRadio_.Handle(), 160, 18, 50, 17);
    at(searchButton_.Handle(), 220, 13, 66, 23);
    at(clearLogButton_.Handle(), w - 8 - logButtonW, 13, logButtonW, 23);
    at(viewLogButton_.Handle(), w - 8 - 2 * logButtonW - 4, 13, logButtonW, 23);
    int notesH = 46;
    int notesY = size.cy - notesH - 4;
    at(logMemo_.Handle(), 8, 46, w - 16, notesY - 46 - 6);
    at(notesGroup_, 4, notesY, w - 8, notesH);
    at(noteCheckBox_.Handle(), 14, notesY + 20, 96, 17);
    at(saveNoteFilesCheckBox_.Handle(), 114, notesY + 20, 110, 17);
    at(notesLine_, 232, notesY + 14, 2, 26);
    at(iconCheckBox_.Handle(), 244, notesY + 20, 80, 17);
    at(autoStartCheckBox_.Handle(), 330, notesY + 20, 80, 17);
}

}  // namespace vantrel

// The "Miscellaneous" page: view, clear and search the activity log in the memo (TLogMemo, read on
// a thread of its own); the notes, icon and start-at-logon boxes.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/AutoStart.h"
#include "app/LogReading.h"
#include "app/Main.h"
#include "app/MainPages.h"
#include "platform/Platform.h"
#include "ui/TextSearch.h"

namespace vantrel {

namespace {

// How long a click on "&View log" waits for the log to be read: a log of a few megabytes is
// shown before the click returns; a longer one when its reading has ended.
constexpr DWORD kViewWaitMs = 40;

// An error as a line of its own below whatever the memo shows.
void AddErrorLine(ui::TWindow& memo, const std::wstring& line) {
    std::wstring text = memo.Text();
    if (!text.empty() && text.back() != L'\n') text += L"\r\n";
    text += line;
    memo.SetText(text);
}

}  // namespace

TMiscPage::TMiscPage(TOptions& options) : options_(options) {}

// A reading still under way ends first: it holds the logger and posts to the memo.
TMiscPage::~TMiscPage() = default;

void TMiscPage::Create(HWND parent, ui::TActionList& actions) {
    ui::TPanel::Create(parent);
    HWND panel = Handle();
    searchEdit_.Create(panel, kSearchEdit);
    directionGroup_.Create(panel, L"Direction:");
    upRadio_.Create(panel, L"&Up", ui::kTabStop | BS_AUTORADIOBUTTON | WS_GROUP, kUpRadio);
    downRadio_.Create(panel, L"&Down", WS_VISIBLE | BS_AUTORADIOBUTTON, kDownRadio);
    downRadio_.SetChecked(true);
    searchButton_.Create(panel, L"Sea&rch log", ui::kPushButton, kSearchButton);
    viewLogButton_.Create(panel, L"&View log", ui::kPushButton, kViewLogButton);
    clearLogButton_.Create(panel, L"&Clear log", ui::kPushButton, kClearLogButton);
    logMemo_.Create(panel, kLogMemo);
    notesGroup_.Create(panel, L"Notes:");
    noteCheckBox_.Create(panel, L"&Take notes", ui::kCheckBox, kTakeNoteAction);
    saveNoteFilesCheckBox_.Create(panel, L"S&ave note files", ui::kCheckBox, kSaveNoteFilesCheckBox);
    notesLine_.Create(panel, L"", SS_ETCHEDVERT);
    iconCheckBox_.Create(panel, L"Show &icon", ui::kCheckBox, kIconCheckBox);
    autoStartCheckBox_.Create(panel, L"Aut&o start", ui::kCheckBox, kAutoStartAction);
    takeNote_ = actions.Find(kTakeNoteAction);
    takeNote_->Bind(noteCheckBox_);
    actions.Find(kAutoStartAction)->Bind(autoStartCheckBox_);
    searchButton_.onClick = [this] { SearchButtonClick(); };
    viewLogButton_.onClick = [this] { ViewLogButtonClick(); };
    clearLogButton_.onClick = [this] { ClearLogButtonClick(); };
    logMemo_.onLogRead = [this] { LogRead(); };
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
    TLogger* log = options_.Logger();
    const std::wstring name = log ? log->LogFileName() : std::wstring();
    if (name.empty() || !Os().FileExists(name)) {
        AddErrorLine(logMemo_, L"Error open log file");
        return;
    }
    // A second click while the log is read changes nothing: that reading shows it.
    if (reading_) return;
    reading_ = std::make_unique<TLogReading>(*log, logMemo_.Handle(), TLogMemo::kLogRead);
    if (reading_->Wait(kViewWaitMs)) LogRead();
}

void TMiscPage::LogRead() {
    // The memo hears of a reading that a click has already shown or "&Clear log" has dropped.
    if (!reading_ || !reading_->Wait(0)) return;
    const std::unique_ptr<TLogReading> reading = std::move(reading_);
    if (const std::optional<uint32_t> error = reading->Error())
        AddErrorLine(logMemo_, L"Error read log file. Error code: " + std::to_wstring(*error));
    else
        logMemo_.ShowLog(std::move(reading->Text()));
}

void TMiscPage::ClearLogButtonClick() {
    // What a reading under way brings is older than the clearing.
    reading_.reset();
    try {
        if (TLogger* log = options_.Logger()) log->Clear();
    } catch (const TLogFileError& e) {
        AddErrorLine(logMemo_, L"Error clear log file. Error code: " + std::to_wstring(e.Code()));
        return;
    }
    logMemo_.SetText(L"Log cleared");
}

void TMiscPage::SearchButtonClick() {
    const std::wstring query = searchEdit_.Text();
    size_t start = 0, length = 0;
    logMemo_.GetSelection(start, length);
    const std::wstring& text = logMemo_.Text();
    const bool up = upRadio_.Checked();
    std::optional<size_t> found = up ? FindUp(text, start, length, query) : FindDown(text, start, length, query);
    // The focus stays where it is; the memo shows its selection without it.
    if (found) logMemo_.Select(*found, query.size());
}

void TMiscPage::Layout(UINT dpi) {
    auto at = [&](const ui::TWindow& c, int x, int y, int cw, int ch) { c.Place(x, y, cw, ch, dpi); };
    const SIZE size = Size96(dpi);
    const int w = size.cx;
    // The search strip, the two log buttons at the right, the memo, the notes group at the bottom.
    int logButtonW = 62;
    at(searchEdit_, 8, 14, 96, 21);
    at(directionGroup_, 110, 2, 104, 40);
    at(upRadio_, 118, 18, 40, 17);
    at(downRadio_, 160, 18, 50, 17);
    at(searchButton_, 220, 13, 66, 23);
    at(clearLogButton_, w - 8 - logButtonW, 13, logButtonW, 23);
    at(viewLogButton_, w - 8 - 2 * logButtonW - 4, 13, logButtonW, 23);
    int notesH = 46;
    int notesY = size.cy - notesH - 4;
    at(logMemo_, 8, 46, w - 16, notesY - 46 - 6);
    at(notesGroup_, 4, notesY, w - 8, notesH);
    at(noteCheckBox_, 14, notesY + 20, 96, 17);
    at(saveNoteFilesCheckBox_, 114, notesY + 20, 110, 17);
    at(notesLine_, 232, notesY + 14, 2, 26);
    at(iconCheckBox_, 244, notesY + 20, 80, 17);
    at(autoStartCheckBox_, 330, notesY + 20, 80, 17);
}

}  // namespace vantrel

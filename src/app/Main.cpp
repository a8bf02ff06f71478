// The main window's life: building it hidden, its actions, its messages, the application-wide
// message filter, the hotkeys, the start of the desktop monitor and the orderly end.
#include "app/Main.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <stdexcept>

#include "app/About.h"
#include "app/Folder.h"
#include "app/Resource.h"
#include "engine/Monitorthread.h"
#include "engine/ThreadReports.h"
#include "ui/Application.h"
#include "ui/Dpi.h"

namespace vantrel {

TMainForm* MainForm = nullptr;

namespace {

// The monitor frees itself; nothing reads this again.
TFileMonitor* FileMonitor = nullptr;

constexpr UINT kHotKeyModifiers = MOD_ALT | MOD_CONTROL | MOD_SHIFT;
// How long the end of the program waits for workers to finish what they hold.
constexpr uint32_t kWorkersEndMs = 2000;

}  // namespace

TMainForm::TMainForm(TOptions& options, MainFormArgs args) : options_(options), args_(args) {
    ShellOpen = [](const std::wstring& folder) {
        ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    ShowRefusal = [this](const std::wstring& text) {
        MessageBoxW(Handle(), text.c_str(), kAppTitle, MB_OK | MB_ICONWARNING);
    };
    ShellVerb = [](const std::wstring& verb, const std::wstring& file) {
        ShellExecuteW(nullptr, verb.c_str(), file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    // An error that escapes an action or handler is kept in the log as one line.
    ui::TApplication::Instance().OnException = [this](const std::wstring& message) {
        std::wstring line = L"Error: " + message;
        std::replace_if(
            line.begin(), line.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');
        if (TLogger* log = options_.Logger()) log->AddLine(line);
    };
    MainForm = this;

    // 1. The window with its controls and actions, hidden.
    ui::WindowArgs wa;
    wa.className = kMainWindowClass;
    wa.caption = kAppTitle;
    wa.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    wa.exStyle = WS_EX_CONTROLPARENT;
    wa.icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON));
    if (!Create(wa)) throw std::runtime_error("The main window could not be created.");
    dpi_ = ui::WindowDpi(Handle());
    CreateActions();
    CreateControls();
    CreateTray();
    CreateLogPage();
    ApplyFonts();
    PlaceAtStart();
    SelectPage(kFilesPage);
    ui::TApplication::Instance().AddDialogWindow(Handle());

    // 2. and 3. The settings into the controls, the folder tree filled once.
    ShowSettings();
    // 4. The tray menu's target list.
    BuildSelectMenu();
    // 5. The hotkeys; one that another program holds simply never fires.
    if (args_.registerHotKeys) RegisterHotKeys();
    // 6. Monitoring starts last.
    if (args_.startMonitor) StartMonitor();
}

TMainForm::~TMainForm() {
    // Destroyed as itself, so its destroy handler closes the log before the settings go.
    Destroy();
    ui::TApplication::Instance().OnException = nullptr;
    if (MainForm == this) MainForm = nullptr;
}

void TMainForm::CreateActions() {
    auto add = [this](UINT id, const wchar_t* name, const wchar_t* caption, void (TMainForm::*handler)()) {
        return &MainActionList.Add(id, name, caption, [this, handler] { (this->*handler)(); });
    };
    SaveAction = add(kSaveAction, L"SaveAction", L"&Save", &TMainForm::SaveActionExecute);
    ShowAction = add(kShowAction, L"ShowAction", L"&Show", &TMainForm::ShowActionExecute);
    AboutAction = add(kAboutAction, L"AboutAction", L"A&bout...", &TMainForm::AboutActionExecute);
    ExitAction = add(kExitAction, L"ExitAction", L"&Exit", &TMainForm::ExitActionExecute);
    PauseAction = add(kPauseAction, L"PauseAction", L"&Paused", &TMainForm::PauseActionExecute);
    ShowIconAction = add(kShowIconAction, L"ShowIconAction", L"", &TMainForm::ShowIconActionExecute);
    OpenTargetFolderAction =
        add(kOpenTargetFolderAction, L"OpenTargetFolderAction", L"&Open", &TMainForm::OpenTargetFolderActionExecute);
    ExploreTargetFolderAction = add(kExploreTargetFolderAction, L"ExploreTargetFolderAction", L"&Explore",
                                    &TMainForm::ExploreTargetFolderActionExecute);
    ViewLogAction = add(kViewLogAction, L"ViewLogAction", L"View log", &TMainForm::ViewLogActionExecute);
    AutoStartAction = add(kAutoStartAction, L"AutoStartAction", L"Aut&o start", &TMainForm::AutoStartActionExecute);
    MoveFolderCheckAction = add(kMoveFolderCheckAction, L"MoveFolderCheckAction", L"&Move folders",
                                &TMainForm::MoveFolderCheckActionExecute);
    TakeNoteAction = add(kTakeNoteAction, L"TakeNoteAction", L"&Take notes", &TMainForm::TakeNoteActionExecute);
    BrowseAction = add(kBrowseAction, L"BrowseAction", L"&Browse", &TMainForm::BrowseActionExecute);
    AddFolderAction = add(kAddFolderAction, L"AddFolderAction", L"&Add", &TMainForm::AddFolderActionExecute);
    RemoveFolderAction =
        add(kRemoveFolderAction, L"RemoveFolderAction", L"&Remove", &TMainForm::RemoveFolderActionExecute);
}

void TMainForm::ShowSettings() {
    Settings s = options_.Snapshot();
    ui::SetText(DestinationEdit, s.DestinationFolder);
    for (const auto& mask : s.ExcludedExt)
        ui::ListAdd(ExtensionList, mask);
    TakeNoteAction->SetChecked(s.QuickNote);
    MoveFolderCheckAction->SetChecked(s.MoveFolder);
    DelayEdit.SetValue(s.MoveFolderDelay / 1000);
    MoveFolderCheckActionExecute();
    ui::SetChecked(RenameFileCheckBox, s.RenameFile);
    ui::SetChecked(RenameFolderCheckBox, s.RenameFolder);
    ui::SetChecked(MoveRenameCheckBox, s.MoveRenamed);
    ui::SetChecked(IconCheckBox, s.ShowIcon);
    SetTrayIconVisible(s.ShowIcon);
    if (IsAutoStart()) {
        AutoStartAction->SetChecked(true);
        AutoStartAction->Execute();
    }
    for (const auto& mask : s.ExcludedFiles)
        ui::ListAdd(ExcludedFileListBox, mask);
    ui::SetChecked(SaveNoteFilesCheckBox, s.SaveNoteFiles);
    TakeNoteActionExecute();
    ui::SetChecked(TryCheckBox, s.TryToMove);
    TryTimesEdit.SetValue(s.TryCount);
    TryCheckBoxClick();

    FolderTree.SetNodeCount(s.AlternateFolders.size() + 1);
}

void TMainForm::RegisterHotKeys() {
    RegisterHotKey(Handle(), 1, kHotKeyModifiers, 'H');
    RegisterHotKey(Handle(), 2, kHotKeyModifiers, 'X');
    RegisterHotKey(Handle(), 3, kHotKeyModifiers, 'I');
}

void TMainForm::StartMonitor() {
    ReportThreadsTo(&options_);
    FileMonitor = new TFileMonitor(true);
    FileMonitor->Settings = &options_;
    FileMonitor->FreeOnTerminate = true;
    FileMonitor->Resume();
}

void TMainForm::PlaceAtStart() {
    // Client area 438 x 311 at 96 DPI, in the middle of the desktop's work area.
    RECT rc = {0, 0, ui::Scale(438, dpi_), ui::Scale(311, dpi_)};
    AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

void TMainForm::SelectPage(int page) {
    activePage_ = page;
    TabCtrl_SetCurSel(Pages, page);
    for (int p = 0; p < 3; ++p)
        ShowWindow(pagePanels_[p], p == page ? SW_SHOWNA : SW_HIDE);
}

// --- messages ---

LRESULT TMainForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            return OnCommand(wParam, lParam);
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
        case WM_SIZE:
            return OnSize();
        case WM_GETMINMAXINFO:
            return OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        case WM_DPICHANGED:
            return OnDpiChanged(wParam, reinterpret_cast<const RECT*>(lParam));
        case DM_GETDEFID:
            return MAKELRESULT(kSaveAction, DC_HASDEFID);  // Enter saves
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            return OnEndSession(wParam != FALSE);
        case WM_DESTROY:
            return OnDestroy();
        case WM_HOTKEY:
            // Only a modal loop of another's (the folder picker, a message box) dispatches it: the
            // application's filter takes it out of the program's own loops first.
            HotKey(lParam);
            return 0;
        case kTrayCallback:
            if (TrayControlIcon && TrayControlIcon->HandleCallback(wParam, lParam)) return 0;
            return Default(msg, wParam, lParam);
        default:
            // Explorer came back: the icon has to be added again.
            if (msg == TrayIcon::TaskbarCreatedMessage() && TrayControlIcon) {
                TrayControlIcon->OnTaskbarCreated();
                return 0;
            }
            return Default(msg, wParam, lParam);
    }
}

LRESULT TMainForm::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    // An entry of the tray's "Se&lect" submenu.
    if (!control && id >= kSelectFirst && id <= kSelectLast) {
        SelectTargetClick(id);
        return 0;
    }
    // Buttons, check boxes and menu entries bound to an action run it.
    if (ui::TAction* action = MainActionList.Find(id)) {
        if (control && code != BN_CLICKED) return 0;
        // A check box bound to an action hands its new state to the action before it runs.
        if (control && (GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX)
            action->SetChecked(ui::IsChecked(control));
        action->Execute();
        return 0;
    }
    if (code != BN_CLICKED) return 0;
    switch (id) {
        case kAddButton:
            AddButtonClick();
            break;
        case kRemoveButton:
            RemoveButtonClick();
            break;
        case kAddExcludedFileButton:
            AddExcludedFileButtonClick();
            break;
        case kRemoveFileButton:
            RemoveFileButtonClick();
            break;
        case kTryCheckBox:
            TryCheckBoxClick();
            break;
        case kOpenButton:
            OpenButtonClick();
            break;
        case kSearchButton:
            SearchButtonClick();
            break;
        case kViewLogButton:
            ViewLogButtonClick();
            break;
        case kClearLogButton:
            ClearLogButtonClick();
            break;
        default:
            break;
    }
    return 0;
}

LRESULT TMainForm::OnNotify(const NMHDR* header) {
    LRESULT result = 0;
    if (FolderTree.HandleNotify(header, result)) return result;
    if (header->hwndFrom == Pages && header->code == TCN_SELCHANGE) SelectPage(TabCtrl_GetCurSel(Pages));
    return 0;
}

LRESULT TMainForm::OnSize() {
    Layout();
    return 0;
}

LRESULT TMainForm::OnGetMinMaxInfo(MINMAXINFO* info) {
    // The smallest outer size, 446 x 338 at 96 DPI, is the frame around the starting client area.
    RECT rc = {0, 0, ui::Scale(438, dpi_), ui::Scale(311, dpi_)};
    AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
    info->ptMinTrackSize.x = rc.right - rc.left;
    info->ptMinTrackSize.y = rc.bottom - rc.top;
    return 0;
}

LRESULT TMainForm::OnDpiChanged(WPARAM wParam, const RECT* suggested) {
    dpi_ = LOWORD(wParam);
    ApplyFonts();
    FolderTree.SetDpi(dpi_);
    SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    return 0;
}

LRESULT TMainForm::OnEndSession(bool ending) {
    // Logging off or shutting down ends the program as Exit does: the log is closed, nothing saved.
    if (ending) Destroy();
    return 0;
}

LRESULT TMainForm::OnDestroy() {
    // No icon is left behind in the notification area.
    if (TrayControlIcon) TrayControlIcon->Hide();
    FormDestroy();
    ui::TApplication::Instance().RemoveDialogWindow(Handle());
    PostQuitMessage(0);
    return 0;
}

void TMainForm::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    // The workers go before the log: no new work, retries and quiet periods cut short, an item
    // being moved finished. A worker still busy after that (a note dialog left open) ends with
    // the process, which the entry point ends without destroying what the workers use.
    if (args_.startMonitor) TThread::EndAll(kWorkersEndMs);
    if (TLogger* log = options_.Logger()) log->Close();
}

void TMainForm::ExitActionExecute() {
    // Closing the main window ends the program; nothing is saved.
    SendMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TMainForm::AboutActionExecute() {
    if (!aboutForm_) {
        TLogger* log = options_.Logger();
        aboutForm_ = std::make_unique<TAboutForm>(Handle(), log ? log->LogFileName() : std::wstring());
    }
    if (aboutForm_->Visible())
        SetForegroundWindow(aboutForm_->Handle());
    else
        aboutForm_->ShowModal();
}

// --- the application-wide message filter ---

void TMainForm::ApplicationHotKeyEventsMessage(MSG& msg, bool& handled) {
    handled = false;
    switch (msg.message) {
        case WM_NCLBUTTONDOWN:
            // A press on the main window's own close button hides the window instead of closing
            // it. The window's hit test names the button, so a press on another window (or on
            // this one's frame nearby) is left alone.
            if (msg.hwnd == Handle() && msg.wParam == HTCLOSE) {
                ShowAction->Execute();
                handled = true;
            }
            break;
        case WM_SYSCOMMAND:
            if ((msg.wParam & 0xFFF0) == SC_CLOSE) {
                ShowAction->Execute();
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
            ShowAction->Execute();
            break;
        case 'I':
            ShowIconAction->Execute();
            break;
        case 'X':
            ExitAction->Execute();
            break;
        default:
            break;
    }
}

}  // namespace vantrel

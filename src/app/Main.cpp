// The main window's life: building it hidden, its actions, its messages, the application-wide
// message filter, the hotkeys, the start of the desktop monitor and the orderly end.
#include "app/Main.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "app/About.h"
#include "app/AutoStart.h"
#include "app/Folder.h"
#include "app/Resource.h"
#include "app/ShellServices.h"
#include "engine/Journal.h"
#include "engine/Monitorthread.h"
#include "engine/ThreadReports.h"
#include "ui/Application.h"
#include "ui/CommonControls.h"
#include "ui/Dpi.h"

namespace vantrel {

namespace {

// How long the end of the program waits for workers to finish what they hold.
constexpr uint32_t kWorkersEndMs = 2000;

}  // namespace

TMainForm::TMainForm(TOptions& options, ShellServices& shell, MainFormArgs args)
    : options_(options), shell_(shell), args_(args), folders_(FoldersPageHost{options, shell}), misc_(options) {
    // An error that escapes an action or handler is kept in the log as one line.
    ui::TApplication::Instance().OnException = [this](const std::wstring& message) {
        std::wstring line = L"Error: " + message;
        std::replace_if(
            line.begin(), line.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');
        if (TLogger* log = options_.Logger()) log->AddLine(line);
    };

    // 0. The journal of moves, beside the settings; the monitor's batches and the undo share it.
    journal_ = std::make_shared<TJournal>(options_.DataFolder() + L"Vantrel\\Journal.txt");
    TLogger* log = options_.Logger();
    if (log && !journal_->SetAsideAs().empty())
        log->AddLine(L"Journal of moves could not be read and was set aside as: " + journal_->SetAsideAs());

    // 1. The window with its actions, hidden; its pages come when it is first shown.
    ui::WindowArgs wa;
    wa.className = kMainWindowClass;
    wa.caption = kAppTitle;
    wa.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    wa.exStyle = WS_EX_CONTROLPARENT;
    wa.icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON));
    if (!Create(wa)) throw std::runtime_error("The main window could not be created.");
    dpi_ = ui::WindowDpi(Handle());
    CreateActions();
    CreateTray();
    PlaceAtStart();
    ui::TApplication::Instance().AddDialogWindow(Handle());

    // 2. and 3. The settings the pages will show, the tray icon, start at logon.
    const Settings s = options_.Snapshot();
    startSettings_ = s;
    SetTrayIconVisible(s.ShowIcon);
    if (IsAutoStart()) {
        // As the "Aut&o start" box does when it is checked: the value names this copy again.
        autoStartAction_->SetChecked(true);
        SetAutoStart(true);
    }
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
}

void TMainForm::CreateActions() {
    auto add = [this](UINT id, const wchar_t* name, const wchar_t* caption, std::function<void()> handler) {
        return &MainActionList.Add(id, name, caption, std::move(handler));
    };
    // The pages' own commands work on their controls, which are made first if need be.
    auto onPages = [this](std::function<void()> handler) {
        return [this, handler = std::move(handler)] {
            EnsurePages();
            handler();
        };
    };
    saveAction_ = add(kSaveAction, L"SaveAction", L"&Save", onPages([this] { SaveActionExecute(); }));
    showAction_ = add(kShowAction, L"ShowAction", L"&Show", [this] { ShowActionExecute(); });
    aboutAction_ = add(kAboutAction, L"AboutAction", L"A&bout...", [this] { AboutActionExecute(); });
    exitAction_ = add(kExitAction, L"ExitAction", L"&Exit", [this] { ExitActionExecute(); });
    pauseAction_ = add(kPauseAction, L"PauseAction", L"&Paused", [this] { PauseActionExecute(); });
    showIconAction_ = add(kShowIconAction, L"ShowIconAction", L"", [this] { ShowIconActionExecute(); });
    add(kOpenTargetFolderAction, L"OpenTargetFolderAction", L"&Open", [this] { OpenTargetFolderActionExecute(); });
    add(kExploreTargetFolderAction, L"ExploreTargetFolderAction", L"&Explore",
        [this] { ExploreTargetFolderActionExecute(); });
    add(kViewLogAction, L"ViewLogAction", L"View log", [this] { ViewLogActionExecute(); });
    autoStartAction_ =
        add(kAutoStartAction, L"AutoStartAction", L"Aut&o start", onPages([this] { misc_.AutoStartActionExecute(); }));
    add(kMoveFolderCheckAction, L"MoveFolderCheckAction", L"&Move folders",
        onPages([this] { folders_.MoveFolderCheckActionExecute(); }));
    add(kTakeNoteAction, L"TakeNoteAction", L"&Take notes", onPages([this] { misc_.TakeNoteActionExecute(); }));
    add(kBrowseAction, L"BrowseAction", L"&Browse", onPages([this] { folders_.BrowseActionExecute(); }));
    add(kAddFolderAction, L"AddFolderAction", L"&Add", onPages([this] { folders_.AddFolderActionExecute(); }));
    add(kRemoveFolderAction, L"RemoveFolderAction", L"&Remove",
        onPages([this] { folders_.RemoveFolderActionExecute(); }));
    undoAction_ = add(kUndoAction, L"UndoAction", L"&Undo last move", [this] { UndoActionExecute(); });
    tidyAction_ = add(kTidyAction, L"TidyAction", L"Tidy &now", [this] { TidyActionExecute(); });
}

void TMainForm::EnsurePages() {
    if (pagesMade_) return;
    pagesMade_ = true;
    // The classes of every control the pages use; the library is loaded here, not at the start.
    ui::InitCommonControls(ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS |
                           ICC_BAR_CLASSES);
    CreateControls();
    ApplyFonts();
    Layout();
    ShowPage(kFilesPage);
    // The settings as they were at the start; the icon hotkey has kept the settings' own value since.
    Settings s = startSettings_ ? *startSettings_ : options_.Snapshot();
    s.ShowIcon = options_.ShowIcon();
    ShowSettings(s);
    // The tree's check follows the folder last chosen in "Se&lect", as it would have on the page.
    if (selectedFolder_) folders_.CheckFolder(*selectedFolder_);
    startSettings_.reset();
    selectedFolder_.reset();
}

TFilesPage& TMainForm::FilesPage() {
    EnsurePages();
    return files_;
}

TFoldersPage& TMainForm::FoldersPage() {
    EnsurePages();
    return folders_;
}

TMiscPage& TMainForm::MiscPage() {
    EnsurePages();
    return misc_;
}

HWND TMainForm::Pages() {
    EnsurePages();
    return pages_.Handle();
}

HWND TMainForm::SaveButton() {
    EnsurePages();
    return saveButton_.Handle();
}

HWND TMainForm::HideButton() {
    EnsurePages();
    return hideButton_.Handle();
}

HWND TMainForm::AboutButton() {
    EnsurePages();
    return aboutButton_.Handle();
}

HWND TMainForm::ExitButton() {
    EnsurePages();
    return exitButton_.Handle();
}

void TMainForm::ShowSettings(const Settings& s) {
    files_.Show(s);
    misc_.Show(s);
    // The folder list is filled once, last.
    folders_.Show(s);
}

void TMainForm::StartMonitor() {
    ReportThreadsTo(&options_);
    // The monitor frees itself when it ends.
    auto* monitor = new TFileMonitor(true);
    monitor->Settings = &options_;
    monitor->Journal = journal_;
    monitor->WatchChanged = [window = Handle()](bool watching) {
        PostMessageW(window, kWatchChanged, watching ? TRUE : FALSE, 0);
    };
    monitor->FreeOnTerminate = true;
    monitor->Resume();
}

SIZE TMainForm::StartFrameSize() const {
    // Client area 438 x 311 at 96 DPI, with the window's frame around it.
    RECT rc = {0, 0, ui::Scale(438, dpi_), ui::Scale(311, dpi_)};
    AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
    return {rc.right - rc.left, rc.bottom - rc.top};
}

void TMainForm::PlaceAtStart() {
    // The starting size, in the middle of the desktop's work area.
    const SIZE frame = StartFrameSize();
    const int width = frame.cx, height = frame.cy;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

void TMainForm::SelectPage(int page) {
    EnsurePages();
    ShowPage(page);
}

void TMainForm::ShowPage(int page) {
    activePage_ = page;
    pages_.Select(page);
    const ui::TPanel* panels[] = {&files_, &folders_, &misc_};
    for (int p = 0; p < 3; ++p)
        ShowWindow(panels[p]->Handle(), p == page ? SW_SHOWNA : SW_HIDE);
}

// --- messages ---

LRESULT TMainForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            return OnCommand(wParam, lParam);
        case WM_SHOWWINDOW:
            // However the window comes to be shown, its pages are there.
            if (wParam) EnsurePages();
            return Default(msg, wParam, lParam);
        case WM_SIZE:
            Layout();
            return 0;
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
        case kWatchChanged:
            watching_ = wParam != FALSE;
            if (trayControlIcon_) SetTrayHint();
            return 0;
        case kTrayCallback:
            if (trayControlIcon_ && trayControlIcon_->HandleCallback(wParam, lParam)) return 0;
            return Default(msg, wParam, lParam);
        default:
            // Explorer came back: the icon has to be added again.
            if (msg == TrayIcon::TaskbarCreatedMessage() && trayControlIcon_) {
                trayControlIcon_->OnTaskbarCreated();
                return 0;
            }
            return Default(msg, wParam, lParam);
    }
}

LRESULT TMainForm::OnCommand(WPARAM wParam, LPARAM lParam) {
    // The controls raise their own events; what comes here is a menu entry (or a control the
    // window does not listen to).
    if (lParam) return 0;
    UINT id = LOWORD(wParam);
    if (id >= kSelectFirst && id <= kSelectLast)
        SelectTargetClick(id);  // an entry of the tray's "Se&lect" submenu
    else
        MainActionList.Execute(id);
    return 0;
}

LRESULT TMainForm::OnGetMinMaxInfo(MINMAXINFO* info) {
    // The smallest outer size, 446 x 338 at 96 DPI, is the frame around the starting client area.
    const SIZE frame = StartFrameSize();
    info->ptMinTrackSize.x = frame.cx;
    info->ptMinTrackSize.y = frame.cy;
    return 0;
}

LRESULT TMainForm::OnDpiChanged(WPARAM wParam, const RECT* suggested) {
    dpi_ = LOWORD(wParam);
    ApplyFonts();
    if (pagesMade_) folders_.FolderTree().SetDpi(dpi_);
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
    if (trayControlIcon_) trayControlIcon_->Hide();
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

}  // namespace vantrel

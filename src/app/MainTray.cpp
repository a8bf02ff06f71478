// The tray icon and its popup menu, showing and hiding the window, the user's pause switch,
// switching the target folder from the "Se&lect" submenu, the icon hotkey and the shell verbs.
#include "app/AutoStart.h"
#include "app/Main.h"
#include "app/Resource.h"
#include "app/ShellServices.h"
#include "app/TargetSelect.h"

namespace vantrel {

namespace {

constexpr wchar_t kHintRunning[] = L"Desktop Vantrel - Running";
constexpr wchar_t kHintPaused[] = L"Desktop Vantrel - Paused";
constexpr wchar_t kHintNotWatching[] = L"Desktop Vantrel - Not watching";

void AppendEntry(HMENU menu, UINT id, const std::wstring& caption) {
    AppendMenuW(menu, MF_STRING, id, caption.c_str());
}

void AppendSeparator(HMENU menu) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
}

}  // namespace

void TMainForm::CreateTray() {
    trayIconImage_.reset(
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
    trayControlIcon_ = std::make_unique<TrayIcon>(Handle(), kTrayCallback);
    // Run with raised rights, the window would not hear of a restarted Explorer otherwise.
    ChangeWindowMessageFilterEx(Handle(), TrayIcon::TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
    trayControlIcon_->SetIcon(trayIconImage_ ? trayIconImage_.get() : LoadIconW(nullptr, IDI_APPLICATION));
    trayControlIcon_->SetHint(kHintRunning);
    trayControlIcon_->onDoubleClick = [this] { TrayControlIconDblClick(); };
    // The entries take their actions' states just before the menu opens.
    trayControlIcon_->onContextMenu = [this](int, int) { UpdatePopupMenu(); };
    FillPopupMenu();
    UpdatePopupMenu();
    trayControlIcon_->SetPopupMenu(popupMenu_.get());
}

void TMainForm::FillPopupMenu() {
    // Entries bound to an action carry the action's command id, so choosing one runs the action.
    popupMenu_.reset(CreatePopupMenu());
    HMENU menu = popupMenu_.get();
    menuSelect_ = CreatePopupMenu();  // destroyed with the popup menu
    auto entry = [&](UINT id) { AppendEntry(menu, id, MainActionList.Find(id)->Caption()); };
    entry(kExploreTargetFolderAction);
    entry(kOpenTargetFolderAction);
    entry(kTidyAction);
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(menuSelect_), L"Se&lect");
    AppendSeparator(menu);
    entry(kViewLogAction);
    AppendSeparator(menu);
    entry(kShowAction);
    AppendSeparator(menu);
    entry(kPauseAction);
    AppendSeparator(menu);
    entry(kAboutAction);
    AppendSeparator(menu);
    entry(kUndoAction);
    entry(kExitAction);
}

void TMainForm::UpdatePopupMenu() {
    HMENU menu = popupMenu_.get();
    if (!menu) return;
    UpdateUndoAction();
    for (UINT id : {kExploreTargetFolderAction, kOpenTargetFolderAction, kTidyAction, kViewLogAction, kShowAction,
                    kPauseAction, kAboutAction, kUndoAction, kExitAction}) {
        const ui::TAction* action = MainActionList.Find(id);
        CheckMenuItem(menu, id, MF_BYCOMMAND | (action->Checked() ? MF_CHECKED : MF_UNCHECKED));
        EnableMenuItem(menu, id, MF_BYCOMMAND | (action->Enabled() ? MF_ENABLED : MF_GRAYED));
    }
}

void TMainForm::SetTrayHint() {
    trayControlIcon_->SetHint(!watching_ ? kHintNotWatching : options_.Paused ? kHintPaused : kHintRunning);
}

void TMainForm::SetTrayIconVisible(bool visible) {
    if (trayControlIcon_) trayControlIcon_->SetVisible(visible);
}

void TMainForm::TrayControlIconDblClick() {
    showAction_->Execute();
}

// --- show, hide and pause ---

void TMainForm::ShowActionExecute() {
    TLogger* log = options_.Logger();
    if (Visible()) {
        ShowWindow(Handle(), SW_HIDE);
        if (log) log->SetUseLock(false);
        pauseAction_->SetEnabled(true);
        options_.Paused = pauseAction_->Checked();
        showAction_->SetChecked(false);
    } else {
        // The log page reads the log file while batches write it.
        if (log) log->SetUseLock(true);
        // Nothing is moved while the user may be changing the settings.
        options_.Paused = true;
        // A window hidden while minimised comes back to its normal place.
        ShowWindow(Handle(), IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(Handle());
        pauseAction_->SetEnabled(false);
        showAction_->SetChecked(true);
    }
    SetTrayHint();
    UpdatePopupMenu();
}

void TMainForm::PauseActionExecute() {
    options_.Paused = !options_.Paused;
    pauseAction_->SetChecked(options_.Paused);
    SetTrayHint();
    UpdatePopupMenu();
}

void TMainForm::ShowIconActionExecute() {
    // Stores the settings as they are now, not the window's unsaved edits.
    options_.SetShowIcon(!options_.ShowIcon());
    SaveSettings();
    // Pages made later show the settings' value.
    if (pagesMade_) ui::SetChecked(misc_.IconCheckBox(), options_.ShowIcon());
    SetTrayIconVisible(options_.ShowIcon());
}

// --- the target folder ---

void TMainForm::OpenTargetFolderActionExecute() {
    shell_.Execute(L"open", options_.DestinationFolder());
}

void TMainForm::ExploreTargetFolderActionExecute() {
    shell_.Execute(L"explore", options_.DestinationFolder());
}

void TMainForm::BuildSelectMenu() {
    if (!menuSelect_) return;
    while (GetMenuItemCount(menuSelect_) > 0)
        DeleteMenu(menuSelect_, 0, MF_BYPOSITION);
    // Each entry keeps its folder by its position; the caption only shows it, "&" included.
    selectFolders_ = SelectMenuFolders(options_);
    if (selectFolders_.size() > kSelectLast - kSelectFirst + 1) selectFolders_.resize(kSelectLast - kSelectFirst + 1);
    for (size_t i = 0; i < selectFolders_.size(); ++i) {
        std::wstring caption = MenuCaption(selectFolders_[i]);
        MENUITEMINFOW item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
        item.fType = MFT_STRING | MFT_RADIOCHECK;
        item.fState = i == 0 ? MFS_CHECKED : MFS_UNCHECKED;
        item.wID = kSelectFirst + static_cast<UINT>(i);
        item.dwTypeData = caption.data();
        InsertMenuItemW(menuSelect_, static_cast<UINT>(i), TRUE, &item);
    }
}

std::wstring TMainForm::SelectEntryFolder(UINT entryId) const {
    if (entryId < kSelectFirst || entryId - kSelectFirst >= selectFolders_.size()) return {};
    return selectFolders_[entryId - kSelectFirst];
}

void TMainForm::SelectTargetClick(UINT entryId) {
    if (entryId < kSelectFirst || entryId - kSelectFirst >= selectFolders_.size()) return;
    if (GetMenuState(menuSelect_, entryId, MF_BYCOMMAND) & MF_CHECKED) return;
    const UINT last = kSelectFirst + static_cast<UINT>(selectFolders_.size()) - 1;
    CheckMenuRadioItem(menuSelect_, kSelectFirst, last, entryId, MF_BYCOMMAND);

    const std::wstring folder = selectFolders_[entryId - kSelectFirst];
    const bool changed = SelectTargetFolder(options_, folder);

    // The tree's check follows the first node of this folder, or leaves the tree unchecked;
    // pages not made yet do so when they are.
    if (pagesMade_) {
        folders_.CheckFolder(folder);
        if (Visible()) folders_.FolderTree().Repaint();
    } else {
        selectedFolder_ = folder;
    }

    if (changed) SaveSettings();
}

// --- "&Save" ---

void TMainForm::SaveActionExecute() {
    // One snapshot, applied under one lock: a worker sees the settings before or after the save.
    Settings s = options_.Snapshot();
    files_.Store(s);
    folders_.Store(s);
    misc_.Store(s);
    options_.Assign(s);
    SetTrayIconVisible(s.ShowIcon);
    SaveSettings();
    BuildSelectMenu();
}

void TMainForm::SaveSettings() {
    if (options_.Save() || !options_.SettingsFileKept()) return;
    // The user's own file could not be read at start: the defaults in force must not replace it.
    shell_.Refuse(Handle(),
                  L"The settings file could not be read when the program started, so it is not overwritten:\r\n" +
                      options_.SettingsFileName() +
                      L"\r\n\r\nThe changes are used until the program ends. Close the program that holds the "
                      L"file, or remove the file, and start the program again.");
}

void TMainForm::ViewLogActionExecute() {
    TLogger* log = options_.Logger();
    shell_.Execute(L"Open", log ? log->LogFileName() : std::wstring());
}

// --- start at logon ---

bool TMainForm::IsAutoStart() {
    return vantrel::IsAutoStart();
}

}  // namespace vantrel

// The tray icon and its popup menu, showing and hiding the window, the user's pause switch,
// switching the target folder from the "Se&lect" submenu, the icon hotkey and the shell verbs.
#include "app/AutoStart.h"
#include "app/Main.h"
#include "app/Resource.h"
#include "app/TargetSelect.h"

namespace vantrel {

namespace {

constexpr wchar_t kHintRunning[] = L"Desktop Vantrel - Running";
constexpr wchar_t kHintPaused[] = L"Desktop Vantrel - Paused";

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
    TrayControlIcon = std::make_unique<TrayIcon>(Handle(), kTrayCallback);
    // Run with raised rights, the window would not hear of a restarted Explorer otherwise.
    ChangeWindowMessageFilterEx(Handle(), TrayIcon::TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
    TrayControlIcon->SetIcon(trayIconImage_ ? trayIconImage_.get() : LoadIconW(nullptr, IDI_APPLICATION));
    TrayControlIcon->SetHint(kHintRunning);
    TrayControlIcon->onDoubleClick = [this] { TrayControlIconDblClick(); };
    // The entries take their actions' states just before the menu opens.
    TrayControlIcon->onContextMenu = [this](int, int) { UpdatePopupMenu(); };

    // Entries bound to an action carry the action's command id, so choosing one runs the action.
    popupMenu_.reset(CreatePopupMenu());
    PopupMenu = popupMenu_.get();
    MenuSelect = CreatePopupMenu();  // destroyed with PopupMenu
    AppendEntry(PopupMenu, ExploreTargetFolderAction->Id(), ExploreTargetFolderAction->Caption());
    AppendEntry(PopupMenu, OpenTargetFolderAction->Id(), OpenTargetFolderAction->Caption());
    AppendMenuW(PopupMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(MenuSelect), L"Se&lect");
    AppendSeparator(PopupMenu);
    AppendEntry(PopupMenu, ViewLogAction->Id(), ViewLogAction->Caption());
    AppendSeparator(PopupMenu);
    AppendEntry(PopupMenu, ShowAction->Id(), ShowAction->Caption());
    AppendSeparator(PopupMenu);
    AppendEntry(PopupMenu, PauseAction->Id(), PauseAction->Caption());
    AppendSeparator(PopupMenu);
    AppendEntry(PopupMenu, AboutAction->Id(), AboutAction->Caption());
    AppendSeparator(PopupMenu);
    AppendEntry(PopupMenu, ExitAction->Id(), ExitAction->Caption());
    TrayControlIcon->SetPopupMenu(PopupMenu);
}

void TMainForm::UpdatePopupMenu() {
    if (!PopupMenu) return;
    for (const ui::TAction* action : {ExploreTargetFolderAction, OpenTargetFolderAction, ViewLogAction, ShowAction,
                                      PauseAction, AboutAction, ExitAction}) {
        CheckMenuItem(PopupMenu, action->Id(), MF_BYCOMMAND | (action->Checked() ? MF_CHECKED : MF_UNCHECKED));
        EnableMenuItem(PopupMenu, action->Id(), MF_BYCOMMAND | (action->Enabled() ? MF_ENABLED : MF_GRAYED));
    }
}

void TMainForm::SetTrayHint() {
    TrayControlIcon->SetHint(options_.Paused ? kHintPaused : kHintRunning);
}

void TMainForm::SetTrayIconVisible(bool visible) {
    if (TrayControlIcon) TrayControlIcon->SetVisible(visible);
}

void TMainForm::TrayControlIconDblClick() {
    ShowAction->Execute();
}

// --- show, hide and pause ---

void TMainForm::ShowActionExecute() {
    TLogger* log = options_.Logger();
    if (Visible()) {
        ShowWindow(Handle(), SW_HIDE);
        if (log) log->SetUseLock(false);
        PauseAction->SetEnabled(true);
        options_.Paused = PauseAction->Checked();
        ShowAction->SetChecked(false);
    } else {
        // The log page reads the log file while batches write it.
        if (log) log->SetUseLock(true);
        // Nothing is moved while the user may be changing the settings.
        options_.Paused = true;
        // A window hidden while minimised comes back to its normal place.
        ShowWindow(Handle(), IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(Handle());
        PauseAction->SetEnabled(false);
        ShowAction->SetChecked(true);
    }
    SetTrayHint();
    UpdatePopupMenu();
}

void TMainForm::PauseActionExecute() {
    options_.Paused = !options_.Paused;
    PauseAction->SetChecked(options_.Paused);
    SetTrayHint();
    UpdatePopupMenu();
}

void TMainForm::ShowIconActionExecute() {
    // Stores the settings as they are now, not the window's unsaved edits.
    options_.SetShowIcon(!options_.ShowIcon());
    SaveSettings();
    ui::SetChecked(IconCheckBox, options_.ShowIcon());
    SetTrayIconVisible(options_.ShowIcon());
}

// --- the target folder ---

void TMainForm::OpenTargetFolderActionExecute() {
    if (ShellVerb) ShellVerb(L"open", options_.DestinationFolder());
}

void TMainForm::ExploreTargetFolderActionExecute() {
    if (ShellVerb) ShellVerb(L"explore", options_.DestinationFolder());
}

void TMainForm::BuildSelectMenu() {
    if (!MenuSelect) return;
    while (GetMenuItemCount(MenuSelect) > 0)
        DeleteMenu(MenuSelect, 0, MF_BYPOSITION);
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
        InsertMenuItemW(MenuSelect, static_cast<UINT>(i), TRUE, &item);
    }
}

std::wstring TMainForm::SelectEntryFolder(UINT entryId) const {
    if (entryId < kSelectFirst || entryId - kSelectFirst >= selectFolders_.size()) return {};
    return selectFolders_[entryId - kSelectFirst];
}

void TMainForm::SelectTargetClick(UINT entryId) {
    if (entryId < kSelectFirst || entryId - kSelectFirst >= selectFolders_.size()) return;
    if (GetMenuState(MenuSelect, entryId, MF_BYCOMMAND) & MF_CHECKED) return;
    const UINT last = kSelectFirst + static_cast<UINT>(selectFolders_.size()) - 1;
    CheckMenuRadioItem(MenuSelect, kSelectFirst, last, entryId, MF_BYCOMMAND);

    const std::wstring folder = selectFolders_[entryId - kSelectFirst];
    const bool changed = SelectTargetFolder(options_, folder);

    // The tree's check follows the first node of exactly this folder, or leaves the tree unchecked.
    int checked = FolderTree.CheckedIndex();
    if (checked >= 0) FolderTree.SetChecked(static_cast<size_t>(checked), false);
    for (size_t i = 0; i < FolderTree.Count(); ++i) {
        if (FolderTree.Node(i).Folder == folder) {
            FolderTree.SetChecked(i, true);
            break;
        }
    }
    if (Visible()) FolderTree.Repaint();

    if (changed) SaveSettings();
}

// --- start at logon ---

bool TMainForm::IsAutoStart() {
    return vantrel::IsAutoStart();
}

void TMainForm::AutoStartActionExecute() {
    SetAutoStart(ui::IsChecked(AutoStartCheckBox));
}

}  // namespace vantrel

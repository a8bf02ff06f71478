// The tray icon, show/hide, pause, the target menu, the log page and start at logon.
// TODO(tray, log page, autostart): these handlers are placeholders, wired to their actions,
// buttons and hotkeys already; their bodies come with the tray, log page and start-at-logon work.
#include "app/Main.h"

namespace vantrel {

void TMainForm::ShowActionExecute() {}  // placeholder: show or hide the window, pause while shown

void TMainForm::PauseActionExecute() {}  // placeholder: the user's pause switch

void TMainForm::ShowIconActionExecute() {}  // placeholder: tray icon on or off, saved at once

void TMainForm::OpenTargetFolderActionExecute() {}  // placeholder: open DestinationFolder

void TMainForm::ExploreTargetFolderActionExecute() {}  // placeholder: explore DestinationFolder

void TMainForm::ViewLogActionExecute() {}  // placeholder: the log file in its associated program

void TMainForm::AutoStartActionExecute() {}  // placeholder: the per-user Run key

void TMainForm::BuildSelectMenu() {}  // placeholder: the tray menu's "Se&lect" submenu

void TMainForm::SetTrayIconVisible(bool) {}  // placeholder: the tray icon follows ShowIcon

bool TMainForm::IsAutoStart() {  // placeholder: whether the Run key holds the program
    return false;
}

void TMainForm::SearchButtonClick() {}  // placeholder: search the log memo

void TMainForm::ViewLogButtonClick() {}  // placeholder: load the log into the memo

void TMainForm::ClearLogButtonClick() {}  // placeholder: clear the log and the memo

}  // namespace vantrel

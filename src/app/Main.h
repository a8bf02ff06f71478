// TMainForm: the main window. Three pages of settings ("Files", "Folders", "Miscellaneous"),
// each a class of its own that owns its controls and handlers (MainPages.h), the button strip, the action list that
// buttons, check boxes, menu entries and hotkeys run, the application-wide message filter and the start of the desktop
// monitor.
//
// The pages are a working copy of the settings: the constructor takes a copy of the settings, the
// controls show that copy and only "&Save" copies them back and writes the settings file. The
// pages, the button strip and the common controls library behind them are made when the window
// is first shown (or a page is first asked for): until then the program is its tray icon, its
// hotkeys and the desktop monitor, and carries nothing of the window's insides.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainPages.h"
#include "settings/Options.h"
#include "ui/Action.h"
#include "ui/Controls.h"
#include "ui/Gdi.h"
#include "ui/TrayIcon.h"
#include "ui/Window.h"

namespace vantrel {

class ShellServices;
class TFolderForm;
class TAboutForm;
class TJournal;

// Command ids. A control bound to an action carries the action's id.
enum MainCommand : UINT {
    kSaveAction = 100,
    kShowAction,
    kAboutAction,
    // The installer ends a running copy with this command; its build reads the value from here.
    kExitAction = 103,
    kPauseAction,
    kShowIconAction,
    kOpenTargetFolderAction,
    kExploreTargetFolderAction,
    kViewLogAction,
    kAutoStartAction,
    kMoveFolderCheckAction,
    kTakeNoteAction,
    kBrowseAction,
    kAddFolderAction,
    kRemoveFolderAction,
    kUndoAction,
    kTidyAction,

    kPages = 200,
    kAddExtensionEdit,
    kExtensionList,
    kAddButton,
    kRemoveButton,
    kAddExcludedFileEdit,
    kExcludedFileListBox,
    kAddExcludedFileButton,
    kRemoveFileButton,
    kRenameFileCheckBox,
    kMoveRenameCheckBox,
    kTryCheckBox,
    kTryTimesEdit,
    kDestinationEdit,
    kFolderTree,
    kOpenButton,
    kRenameFolderCheckBox,
    kDelayEdit,
    kSearchEdit,
    kUpRadio,
    kDownRadio,
    kSearchButton,
    kViewLogButton,
    kClearLogButton,
    kLogMemo,
    kSaveNoteFilesCheckBox,
    kIconCheckBox,
};

// The "Se&lect" submenu's entries: kSelectFirst + their position, each standing for one folder.
constexpr UINT kSelectFirst = 1000;
constexpr UINT kSelectLast = 1999;

// The tray icon's callback message.
constexpr UINT kTrayCallback = WM_APP + 1;
// The desktop monitor started (wParam TRUE) or stopped (FALSE) watching the desktop.
constexpr UINT kWatchChanged = WM_APP + 2;

// The pages, in tab order.
enum MainPage : int { kFilesPage = 0, kFoldersPage = 1, kMiscPage = 2 };

constexpr wchar_t kMainWindowClass[] = L"TMainForm";
constexpr wchar_t kAppTitle[] = L"Desktop Vantrel";

struct MainFormArgs {
    bool startMonitor = true;  // tests drive the window without a desktop monitor
    bool registerHotKeys = true;
};

class TMainForm : public ui::TWindow {
  public:
    // shell opens folders and files and tells the user of refusals; it outlives the window.
    TMainForm(TOptions& options, ShellServices& shell, MainFormArgs args = {});
    ~TMainForm() override;

    TOptions& Options() { return options_; }
    UINT Dpi() const { return dpi_; }
    void SelectPage(int page);
    int ActivePage() const { return activePage_; }

    // --- the pages and the button strip (tests drive the controls through their messages) ---
    // Each makes the pages first when they are not made yet.
    TFilesPage& FilesPage();
    TFoldersPage& FoldersPage();
    TMiscPage& MiscPage();
    HWND Pages();
    HWND SaveButton();
    HWND HideButton();
    HWND AboutButton();
    HWND ExitButton();
    // Whether the pages and the button strip exist yet.
    bool PagesMade() const { return pagesMade_; }

    // Every command of the window, by its name ("SaveAction", "PauseAction", ...) or its id.
    ui::TActionList MainActionList;

    TFolderForm* FolderForm() const { return folders_.FolderForm(); }
    TAboutForm* AboutForm() const { return aboutForm_.get(); }

    // --- tray (MainTray.cpp) ---
    TrayIcon& TrayControlIcon() { return *trayControlIcon_; }
    HMENU PopupMenu() const { return popupMenu_.get(); }
    HMENU MenuSelect() const { return menuSelect_; }  // a submenu of PopupMenu, destroyed with it
    void SetTrayIconVisible(bool visible);
    void BuildSelectMenu();
    // The folder an entry of "Se&lect" stands for; empty for an id that is no entry.
    std::wstring SelectEntryFolder(UINT entryId) const;
    bool IsAutoStart();
    // Called with every message the main thread takes from its queue, before it is dispatched.
    void ApplicationHotKeyEventsMessage(MSG& msg, bool& handled);

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    // --- actions ---
    void SaveActionExecute();
    void ExitActionExecute();
    void AboutActionExecute();
    void ShowActionExecute();
    void PauseActionExecute();
    void ShowIconActionExecute();
    void OpenTargetFolderActionExecute();
    void ExploreTargetFolderActionExecute();
    void ViewLogActionExecute();
    void UndoActionExecute();
    void TidyActionExecute();
    void FormDestroy();
    void TrayControlIconDblClick();
    // The clicked entry of "Se&lect", by its command id.
    void SelectTargetClick(UINT entryId);

    void CreateActions();
    // Makes the pages and the button strip once, showing the settings as they were at the start
    // with what changed them outside the window since (the icon hotkey, the "Se&lect" menu).
    void EnsurePages();
    void ShowPage(int page);
    void CreateControls();
    void ApplyFonts();
    void Layout();
    // The outer size of the window around the starting client area, the smallest it may be.
    SIZE StartFrameSize() const;
    // The settings into the pages' controls.
    void ShowSettings(const Settings& s);
    void PlaceAtStart();
    void RegisterHotKeys();
    void StartMonitor();
    void CreateTray();
    void FillPopupMenu();
    void SetTrayHint();
    void UpdatePopupMenu();
    // "&Undo last move" is enabled while the journal holds a batch.
    void UpdateUndoAction();
    // Writes the settings file, or says why it may not be written over.
    void SaveSettings();
    // A hotkey, told apart by the modifiers and key in lParam.
    void HotKey(LPARAM lParam);

    LRESULT OnCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetMinMaxInfo(MINMAXINFO* info);
    LRESULT OnDpiChanged(WPARAM wParam, const RECT* suggested);
    LRESULT OnEndSession(bool ending);
    LRESULT OnDestroy();

    TOptions& options_;
    ShellServices& shell_;
    MainFormArgs args_;
    UINT dpi_ = 96;
    int activePage_ = kFilesPage;
    unique_hgdiobj font_;
    ui::TAction* saveAction_ = nullptr;
    ui::TAction* showAction_ = nullptr;
    ui::TAction* aboutAction_ = nullptr;
    ui::TAction* exitAction_ = nullptr;
    ui::TAction* pauseAction_ = nullptr;
    ui::TAction* showIconAction_ = nullptr;
    ui::TAction* autoStartAction_ = nullptr;
    ui::TAction* undoAction_ = nullptr;
    ui::TAction* tidyAction_ = nullptr;
    ui::TTabControl pages_;
    TFilesPage files_;
    TFoldersPage folders_;
    TMiscPage misc_;
    ui::TButton saveButton_, hideButton_, aboutButton_, exitButton_;
    std::unique_ptr<TAboutForm> aboutForm_;
    bool destroyed_ = false;
    bool pagesMade_ = false;
    // Until the pages are made: the settings at the start, which they will show, and the folder
    // last chosen in "Se&lect", whose node they will check.
    std::optional<Settings> startSettings_;
    std::optional<std::wstring> selectedFolder_;
    bool askingTidy_ = false;  // the tidy's question is open
    std::shared_ptr<TJournal> journal_;
    bool watching_ = true;  // the desktop monitor watches the desktop
    std::unique_ptr<TrayIcon> trayControlIcon_;
    unique_hmenu popupMenu_;
    HMENU menuSelect_ = nullptr;
    unique_hicon trayIconImage_;
    StringList selectFolders_;  // the folder of each "Se&lect" entry, by position
};

}  // namespace vantrel

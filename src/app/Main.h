// TMainForm: the main window. Three pages of settings ("Files", "Folders", "Miscellaneous"),
// the button strip, the action list that buttons, check boxes, menu entries and hotkeys run,
// the application-wide message filter and the start of the desktop monitor.
//
// The pages are a working copy of the settings: the constructor copies the settings into the
// controls and only "&Save" copies them back and writes the settings file.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/Options.h"
#include "ui/Action.h"
#include "ui/Controls.h"
#include "ui/FolderList.h"
#include "ui/Gdi.h"
#include "ui/TrayIcon.h"
#include "ui/Window.h"

namespace vantrel {

class TFolderForm;
class TAboutForm;

// Command ids. A control bound to an action carries the action's id.
enum MainCommand : UINT {
    kSaveAction = 100,
    kShowAction,
    kAboutAction,
    kExitAction,
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
    explicit TMainForm(TOptions& options, MainFormArgs args = {});
    ~TMainForm() override;

    TOptions& Options() { return options_; }
    UINT Dpi() const { return dpi_; }
    void SelectPage(int page);
    int ActivePage() const { return activePage_; }

    // --- controls (named as the user knows them; tests drive them through their messages) ---
    HWND Pages = nullptr;
    // Files
    HWND ExtensionGroup = nullptr, AddExtensionEdit = nullptr, ExtensionList = nullptr, AddButton = nullptr,
         RemoveButton = nullptr;
    HWND ExcludedFileGroup = nullptr, AddExcludedFileEdit = nullptr, ExcludedFileListBox = nullptr,
         AddExcludedFileButton = nullptr, RemoveFileButton = nullptr;
    HWND RenameFileCheckBox = nullptr, MoveRenameCheckBox = nullptr, TryCheckBox = nullptr, TryLabel = nullptr;
    ui::TSpinEdit TryTimesEdit;
    // Folders
    HWND TargetGroup = nullptr, DestinationEdit = nullptr;
    ui::TFolderList FolderTree;
    HWND TntButton3 = nullptr, TntButton1 = nullptr, TntButton2 = nullptr, OpenButton = nullptr;
    HWND MoveFolderCheckBox = nullptr, RenameFolderCheckBox = nullptr, DelayLabel = nullptr;
    ui::TSpinEdit DelayEdit;
    // Miscellaneous: the log strip and memo, then the notes group
    HWND SearchEdit = nullptr, DirectionGroup = nullptr, UpRadio = nullptr, DownRadio = nullptr, SearchButton = nullptr,
         ViewLogButton = nullptr, ClearLogButton = nullptr, LogMemo = nullptr;
    HWND NotesGroup = nullptr, NoteCheckBox = nullptr, SaveNoteFilesCheckBox = nullptr, NotesLine = nullptr,
         IconCheckBox = nullptr, AutoStartCheckBox = nullptr;
    // The button strip
    HWND SaveButton = nullptr, HideButton = nullptr, AboutButton = nullptr, ExitButton = nullptr;

    // --- actions ---
    ui::TActionList MainActionList;
    ui::TAction* SaveAction = nullptr;
    ui::TAction* ShowAction = nullptr;
    ui::TAction* AboutAction = nullptr;
    ui::TAction* ExitAction = nullptr;
    ui::TAction* PauseAction = nullptr;
    ui::TAction* ShowIconAction = nullptr;
    ui::TAction* OpenTargetFolderAction = nullptr;
    ui::TAction* ExploreTargetFolderAction = nullptr;
    ui::TAction* ViewLogAction = nullptr;
    ui::TAction* AutoStartAction = nullptr;
    ui::TAction* MoveFolderCheckAction = nullptr;
    ui::TAction* TakeNoteAction = nullptr;
    ui::TAction* BrowseAction = nullptr;
    ui::TAction* AddFolderAction = nullptr;
    ui::TAction* RemoveFolderAction = nullptr;

    // --- the settings pages ---
    void AddButtonClick();
    void RemoveButtonClick();
    void AddExcludedFileButtonClick();
    void RemoveFileButtonClick();
    void TryCheckBoxClick();
    void MoveFolderCheckActionExecute();
    void TakeNoteActionExecute();
    void FolderTreeInitNode(size_t position, ui::TFolderNode& node);
    std::wstring FolderTreeGetText(const ui::TFolderNode& node);
    void FolderTreeFreeNode(ui::TFolderNode& node);
    void FolderTreeNewText(size_t index, const std::wstring& text);
    // The desktop folder is never a target: true (and the user told why) when folder is it.
    bool RefuseDesktop(const std::wstring& folder);
    void AddFolderActionExecute();
    void RemoveFolderActionExecute();
    void BrowseActionExecute();
    void OpenButtonClick();
    void SaveActionExecute();

    // --- start, end, About ---
    void ExitActionExecute();
    void FormDestroy();
    void AboutActionExecute();
    TFolderForm* FolderForm() const { return folderForm_.get(); }
    TAboutForm* AboutForm() const { return aboutForm_.get(); }

    // --- tray, hotkeys, pause, log page, start at logon (MainTray.cpp, MainLog.cpp) ---
    void ShowActionExecute();
    void PauseActionExecute();
    void ShowIconActionExecute();
    void OpenTargetFolderActionExecute();
    void ExploreTargetFolderActionExecute();
    void ViewLogActionExecute();
    void AutoStartActionExecute();
    void BuildSelectMenu();
    void SetTrayIconVisible(bool visible);
    bool IsAutoStart();
    void SearchButtonClick();
    void ViewLogButtonClick();
    void ClearLogButtonClick();
    // Called with every message the main thread takes from its queue, before it is dispatched.
    void ApplicationHotKeyEventsMessage(MSG& msg, bool& handled);

    // Opens a folder in the shell ("open" verb). Tests replace it to see what would be opened.
    std::function<void(const std::wstring& folder)> ShellOpen;
    // Tells the user why an entry or a save was refused, in a message box over the window. Tests
    // replace it.
    std::function<void(const std::wstring& text)> ShowRefusal;

    // --- the tray (MainTray.cpp) ---
    std::unique_ptr<TrayIcon> TrayControlIcon;
    HMENU PopupMenu = nullptr;  // owned through popupMenu_; MenuSelect is its submenu
    HMENU MenuSelect = nullptr;
    void TrayControlIconDblClick();
    // The clicked entry of "Se&lect", by its command id.
    void SelectTargetClick(UINT entryId);
    // The folder an entry of "Se&lect" stands for; empty for an id that is no entry.
    std::wstring SelectEntryFolder(UINT entryId) const;
    // A key pressed in the log memo; true when the memo must not see it.
    bool LogMemoKeyDown(WPARAM key);
    // ShellExecuteW with a verb on a file, no owner, parameters or directory. Tests replace it.
    std::function<void(const std::wstring& verb, const std::wstring& file)> ShellVerb;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    void CreateActions();
    void CreateControls();
    void ApplyFonts();
    void Layout();
    void LayoutFiles(int x0, int y0, int w, int h);
    void LayoutFolders(int x0, int y0, int w, int h);
    void LayoutMisc(int x0, int y0, int w, int h);
    void ShowSettings();
    void PlaceAtStart();
    void RegisterHotKeys();
    void StartMonitor();
    void CreateTray();
    void CreateLogPage();
    void SetTrayHint();
    void UpdatePopupMenu();
    // Writes the settings file, or says why it may not be written over.
    void SaveSettings();
    // A hotkey, told apart by the modifiers and key in lParam.
    void HotKey(LPARAM lParam);

    LRESULT OnCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(const NMHDR* header);
    LRESULT OnSize();
    LRESULT OnGetMinMaxInfo(MINMAXINFO* info);
    LRESULT OnDpiChanged(WPARAM wParam, const RECT* suggested);
    LRESULT OnEndSession(bool ending);
    LRESULT OnDestroy();

    TOptions& options_;
    MainFormArgs args_;
    UINT dpi_ = 96;
    int activePage_ = kFilesPage;
    unique_hgdiobj font_;
    HWND pagePanels_[3] = {};
    std::unique_ptr<TFolderForm> folderForm_;
    std::unique_ptr<TAboutForm> aboutForm_;
    bool destroyed_ = false;
    unique_hmenu popupMenu_;
    unique_hicon trayIconImage_;
    StringList selectFolders_;  // the folder of each "Se&lect" entry, by position
};

// The one main window while it exists.
extern TMainForm* MainForm;

}  // namespace vantrel

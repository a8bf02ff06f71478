// The main window's three pages. Each is a panel over the tab control's page area that owns
// its controls, lays them out at the window's DPI and handles their events. The main window
// hands the settings in (Show) and takes them back on "&Save" (Store). Controls are reached by
// the names the user knows them by; tests drive them through their messages.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "settings/Options.h"
#include "ui/Action.h"
#include "ui/Controls.h"
#include "ui/FolderList.h"
#include "ui/Splitter.h"
#include "ui/TextWindow.h"

namespace vantrel {

class ShellServices;
class TFolderForm;
class TLogReading;

// "Files": the two exclusion lists side by side, then the rename and retry strip.
class TFilesPage : public ui::TPanel {
  public:
    void Create(HWND parent);
    void Layout(UINT dpi);
    void Show(const Settings& s);
    void Store(Settings& s);

    HWND ExtensionGroup() const { return extensionGroup_.Handle(); }
    HWND AddExtensionEdit() const { return addExtensionEdit_.Handle(); }
    HWND ExtensionList() const { return extensionList_.Handle(); }
    HWND AddButton() const { return addButton_.Handle(); }
    HWND RemoveButton() const { return removeButton_.Handle(); }
    HWND ExcludedFileGroup() const { return excludedFileGroup_.Handle(); }
    HWND AddExcludedFileEdit() const { return addExcludedFileEdit_.Handle(); }
    HWND ExcludedFileListBox() const { return excludedFileListBox_.Handle(); }
    HWND AddExcludedFileButton() const { return addExcludedFileButton_.Handle(); }
    HWND RemoveFileButton() const { return removeFileButton_.Handle(); }
    HWND RenameFileCheckBox() const { return renameFileCheckBox_.Handle(); }
    HWND MoveRenameCheckBox() const { return moveRenameCheckBox_.Handle(); }
    HWND TryCheckBox() const { return tryCheckBox_.Handle(); }
    HWND TryLabel() const { return tryLabel_.Handle(); }
    ui::TSpinEdit& TryTimesEdit() { return tryTimesEdit_; }

  private:
    // A disabled control keeps its value; "&Save" still stores it.
    void TryCheckBoxClick();

    ui::TGroupBox extensionGroup_, excludedFileGroup_;
    ui::TEdit addExtensionEdit_, addExcludedFileEdit_;
    ui::TListBox extensionList_, excludedFileListBox_;
    ui::TLabel tryLabel_;
    ui::TButton addButton_, removeButton_, addExcludedFileButton_, removeFileButton_;
    ui::TButton renameFileCheckBox_, moveRenameCheckBox_, tryCheckBox_;
    ui::TSpinEdit tryTimesEdit_;
    ui::TSplitter splitter_;
    UINT dpi_ = 96;  // of the last layout, for the splitter's
};

// What the "Folders" page asks of the window around it.
struct FoldersPageHost {
    TOptions& options;
    ShellServices& shell;  // opens folders, tells the user why an entry is refused
};

// "Folders": the target folder list with its edit and buttons, then the folder-move strip.
class TFoldersPage : public ui::TPanel {
  public:
    explicit TFoldersPage(FoldersPageHost host);
    ~TFoldersPage() override;
    // Its buttons run the window's folder actions, found in actions.
    void Create(HWND parent, UINT dpi, ui::TActionList& actions);
    void Layout(UINT dpi);
    void Show(const Settings& s);
    void Store(Settings& s);
    // Checks the first node of this folder (SameFolder), or leaves the list unchecked.
    void CheckFolder(const std::wstring& folder);

    // The actions' handlers.
    void MoveFolderCheckActionExecute();
    void AddFolderActionExecute();
    void RemoveFolderActionExecute();
    void BrowseActionExecute();

    HWND TargetGroup() const { return targetGroup_.Handle(); }
    HWND DestinationEdit() const { return destinationEdit_.Handle(); }
    ui::TFolderList& FolderTree() { return folderTree_; }
    HWND TntButton3() const { return tntButton3_.Handle(); }  // "&Browse"
    HWND TntButton1() const { return tntButton1_.Handle(); }  // "&Add"
    HWND TntButton2() const { return tntButton2_.Handle(); }  // "&Remove"
    HWND OpenButton() const { return openButton_.Handle(); }
    HWND MoveFolderCheckBox() const { return moveFolderCheckBox_.Handle(); }
    HWND RenameFolderCheckBox() const { return renameFolderCheckBox_.Handle(); }
    HWND DelayLabel() const { return delayLabel_.Handle(); }
    ui::TSpinEdit& DelayEdit() { return delayEdit_; }
    TFolderForm* FolderForm() const { return folderForm_.get(); }

  private:
    void FolderTreeInitNode(size_t position, ui::TFolderNode& node);
    void FolderTreeNewText(size_t index, const std::wstring& text);
    // The desktop folder is never a target: true (and the user told why) when folder is it.
    bool RefuseDesktop(const std::wstring& folder);
    void OpenButtonClick();

    FoldersPageHost host_;
    ui::TAction* moveFolderCheck_ = nullptr;
    ui::TGroupBox targetGroup_;
    ui::TEdit destinationEdit_;
    ui::TLabel delayLabel_;
    ui::TFolderList folderTree_;
    ui::TButton tntButton3_, tntButton1_, tntButton2_, openButton_, moveFolderCheckBox_, renameFolderCheckBox_;
    ui::TSpinEdit delayEdit_;
    std::unique_ptr<TFolderForm> folderForm_;
    StringList shownFolders_;  // the folders Show is filling the tree with
};

// The log memo: read-only, any length, and Ctrl+A selects everything. A log too long for an edit
// control to take in at once is kept whole here and the control shows a stretch of it: the end
// first; scrolling past either edge of the stretch brings the next one in, a search brings in the
// stretch of its match, and Ctrl+A then Ctrl+C copies the whole log. Text set from elsewhere
// (WM_SETTEXT) replaces the log.
class TLogMemo : public ui::TEdit {
  public:
    // Characters the control holds at most while it shows a stretch of a log: under Wine the edit
    // takes 50 to 90 ms for them, about as long as for a few lines, and seconds for megabytes.
    static constexpr size_t kStretchChars = 16384;
    // Posted to the memo when its log has been read; onLogRead hears of it.
    static constexpr UINT kLogRead = WM_APP + 40;

    bool Create(HWND parent, UINT id);
    // Takes text as the log and shows its end, the caret after its last character.
    void ShowLog(std::wstring text);
    // The whole text the memo stands for: its log, or its own text.
    const std::wstring& Text();
    // The selection and Select in that text's offsets; Select brings the match's stretch in.
    void GetSelection(size_t& start, size_t& length) const;
    void Select(size_t start, size_t length);

    std::function<void()> onLogRead;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    void ShowStretch(TextStretch stretch);
    // Scrolling messages at the stretch's edges bring in the stretch before or after first.
    void Scrolling(UINT msg, WPARAM wParam);
    void PageBack();
    void PageOn();
    void PageTo(TextStretch next);
    bool CopyWholeLog();

    std::wstring log_, own_;
    TextStretch shown_;
    bool hasLog_ = false, setting_ = false, allSelected_ = false;
};

// "Miscellaneous": the log strip and memo on top, the notes group along the bottom.
class TMiscPage : public ui::TPanel {
  public:
    explicit TMiscPage(TOptions& options);
    ~TMiscPage() override;
    // Its notes and start-at-logon boxes run the window's actions, found in actions.
    void Create(HWND parent, ui::TActionList& actions);
    void Layout(UINT dpi);
    void Show(const Settings& s);
    void Store(Settings& s) const;

    void TakeNoteActionExecute();
    void AutoStartActionExecute();

    HWND SearchEdit() const { return searchEdit_.Handle(); }
    HWND DirectionGroup() const { return directionGroup_.Handle(); }
    HWND UpRadio() const { return upRadio_.Handle(); }
    HWND DownRadio() const { return downRadio_.Handle(); }
    HWND SearchButton() const { return searchButton_.Handle(); }
    HWND ViewLogButton() const { return viewLogButton_.Handle(); }
    HWND ClearLogButton() const { return clearLogButton_.Handle(); }
    HWND LogMemo() const { return logMemo_.Handle(); }
    HWND NotesGroup() const { return notesGroup_.Handle(); }
    HWND NoteCheckBox() const { return noteCheckBox_.Handle(); }
    HWND SaveNoteFilesCheckBox() const { return saveNoteFilesCheckBox_.Handle(); }
    HWND NotesLine() const { return notesLine_.Handle(); }
    HWND IconCheckBox() const { return iconCheckBox_.Handle(); }
    HWND AutoStartCheckBox() const { return autoStartCheckBox_.Handle(); }

  private:
    void SearchButtonClick();
    void ViewLogButtonClick();
    void ClearLogButtonClick();
    // Shows what the log reading has brought, and ends it.
    void LogRead();

    TOptions& options_;
    ui::TAction* takeNote_ = nullptr;
    ui::TEdit searchEdit_;
    ui::TGroupBox directionGroup_, notesGroup_;
    ui::TLabel notesLine_;
    ui::TButton upRadio_, downRadio_, searchButton_, viewLogButton_, clearLogButton_;
    ui::TButton noteCheckBox_, saveNoteFilesCheckBox_, iconCheckBox_, autoStartCheckBox_;
    TLogMemo logMemo_;
    std::unique_ptr<TLogReading> reading_;  // while the log is being read
};

}  // namespace vantrel

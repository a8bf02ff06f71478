// The settings pages' handlers: the exclusion lists, the dependent enabling, the target folder
// list and "&Save". Invalid input (empty, duplicate, a folder that does not exist) is ignored
// without a message.
#include "app/Folder.h"
#include "app/Main.h"
#include "platform/Platform.h"
#include "platform/Text.h"

namespace vantrel {

namespace {

// Appends the edit's text, exactly as typed, unless it is empty or already listed (letter case counts).
void AddExactlyOnce(HWND edit, HWND listBox) {
    std::wstring text = ui::GetText(edit);
    if (text.empty()) return;
    for (const auto& item : ui::ListItems(listBox))
        if (item == text) return;
    ui::ListAdd(listBox, text);
}

}  // namespace

void TMainForm::AddButtonClick() {
    AddExactlyOnce(AddExtensionEdit, ExtensionList);
}

void TMainForm::RemoveButtonClick() {
    ui::ListDeleteSelected(ExtensionList);
}

void TMainForm::AddExcludedFileButtonClick() {
    AddExactlyOnce(AddExcludedFileEdit, ExcludedFileListBox);
}

void TMainForm::RemoveFileButtonClick() {
    ui::ListDeleteSelected(ExcludedFileListBox);
}

// A disabled control keeps its value; "&Save" still stores it.
void TMainForm::TryCheckBoxClick() {
    bool on = ui::IsChecked(TryCheckBox);
    TryTimesEdit.SetEnabled(on);
    EnableWindow(TryLabel, on);
}

void TMainForm::MoveFolderCheckActionExecute() {
    bool on = ui::IsChecked(MoveFolderCheckBox);
    DelayEdit.SetEnabled(on);
    EnableWindow(RenameFolderCheckBox, on);
    EnableWindow(DelayLabel, on);
}

void TMainForm::TakeNoteActionExecute() {
    EnableWindow(SaveNoteFilesCheckBox, ui::IsChecked(NoteCheckBox));
}

// --- the target folder list ---

void TMainForm::FolderTreeInitNode(size_t position, ui::TFolderNode& node) {
    if (position == 0) {
        node.Folder = options_.DestinationFolder();
        node.Checked = true;
    } else {
        StringList alternates = options_.AlternateFolders();
        if (position - 1 < alternates.size()) node.Folder = alternates[position - 1];
    }
}

std::wstring TMainForm::FolderTreeGetText(const ui::TFolderNode& node) {
    return node.Folder;
}

void TMainForm::FolderTreeFreeNode(ui::TFolderNode& node) {
    node.Folder.clear();
    node.Folder.shrink_to_fit();
}

bool TMainForm::RefuseDesktop(const std::wstring& folder) {
    if (!SameFolder(folder, options_.DesktopFolder())) return false;
    if (ShowRefusal)
        ShowRefusal(L"\"" + folder + L"\" is the desktop folder. New items are moved away from the desktop, so it " +
                    L"cannot be a target folder.");
    return true;
}

void TMainForm::FolderTreeNewText(size_t index, const std::wstring& text) {
    if (index >= FolderTree.Count() || text.empty() || RefuseDesktop(text) || !Os().DirectoryExists(text)) return;
    FolderTree.Node(index).Folder = WithTrailingBackslash(text);  // letter case as typed
}

void TMainForm::AddFolderActionExecute() {
    std::wstring candidate = ui::GetText(DestinationEdit);
    if (RefuseDesktop(candidate)) return;
    candidate = Lowered(WithTrailingBackslash(candidate));
    for (size_t i = 0; i < FolderTree.Count(); ++i)
        if (Lowered(FolderTree.Node(i).Folder) == candidate) return;
    if (!Os().DirectoryExists(candidate)) return;
    FolderTree.AddNode(candidate);
}

void TMainForm::RemoveFolderActionExecute() {
    // At least one folder always remains.
    if (FolderTree.SelectedCount() == FolderTree.Count()) return;
    FolderTree.DeleteSelected();
    if (FolderTree.CheckedIndex() < 0 && FolderTree.Count() > 0) FolderTree.SetChecked(0, true);
}

void TMainForm::BrowseActionExecute() {
    if (!folderForm_) folderForm_ = std::make_unique<TFolderForm>(Handle());
    if (folderForm_->ShowModal() == ui::kModalOk) ui::SetText(DestinationEdit, folderForm_->Directory());
}

void TMainForm::OpenButtonClick() {
    int selected = FolderTree.FirstSelected();
    std::wstring folder =
        selected >= 0 ? FolderTree.Node(static_cast<size_t>(selected)).Folder : options_.DestinationFolder();
    if (ShellOpen) ShellOpen(folder);
}

// --- "&Save" ---

void TMainForm::SaveActionExecute() {
    options_.SetExcludedExt(ui::ListItems(ExtensionList));
    options_.SetQuickNote(ui::IsChecked(NoteCheckBox));
    options_.SetRenameFile(ui::IsChecked(RenameFileCheckBox));
    options_.SetRenameFolder(ui::IsChecked(RenameFolderCheckBox));
    options_.SetMoveFolder(ui::IsChecked(MoveFolderCheckBox));
    options_.SetMoveFolderDelay(DelayEdit.Value() * 1000);
    options_.SetSaveNoteFiles(ui::IsChecked(SaveNoteFilesCheckBox));
    options_.SetShowIcon(ui::IsChecked(IconCheckBox));
    options_.SetMoveRenamed(ui::IsChecked(MoveRenameCheckBox));
    SetTrayIconVisible(options_.ShowIcon());
    options_.SetTryToMove(ui::IsChecked(TryCheckBox));
    options_.SetTryCount(TryTimesEdit.Value());
    StringList alternates;
    for (size_t i = 0; i < FolderTree.Count(); ++i) {
        const ui::TFolderNode& node = FolderTree.Node(i);
        if (node.Checked)
            options_.SetDestinationFolder(node.Folder);
        else
            alternates.push_back(node.Folder);
    }
    options_.SetAlternateFolders(alternates);
    options_.SetExcludedFiles(ui::ListItems(ExcludedFileListBox));
    SaveSettings();
    BuildSelectMenu();
}

void TMainForm::SaveSettings() {
    if (options_.Save() || !options_.SettingsFileKept()) return;
    // The user's own file could not be read at start: the defaults in force must not replace it.
    if (ShowRefusal)
        ShowRefusal(L"The settings file could not be read when the program started, so it is not overwritten:\r\n" +
                    options_.SettingsFileName() +
                    L"\r\n\r\nThe changes are used until the program ends. Close the program that holds the file, "
                    L"or remove the file, and start the program again.");
}

}  // namespace vantrel

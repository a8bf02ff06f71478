// The "Files" page: the exclusion lists, the rename boxes and the retry count.
#include "app/Main.h"
#include "app/MainPages.h"

namespace vantrel {

namespace {

// The splitter between the two exclusion lists.
constexpr UINT kFilesSplitter = 299;

// Appends the edit's text, exactly as typed, unless it is empty or already listed (letter case counts).
void AddExactlyOnce(const ui::TEdit& edit, ui::TListBox& listBox) {
    std::wstring text = edit.Text();
    if (text.empty()) return;
    for (const auto& item : listBox.Items())
        if (item == text) return;
    listBox.Add(text);
}

}  // namespace

void TFilesPage::Create(HWND parent) {
    ui::TPanel::Create(parent);
    HWND panel = Handle();
    extensionGroup_.Create(panel, L"E&xclude file extensions:");
    addExtensionEdit_.Create(panel, kAddExtensionEdit);
    extensionList_.Create(panel, kExtensionList);
    addButton_.Create(panel, L"&Add", ui::kPushButton, kAddButton);
    removeButton_.Create(panel, L"&Remove", ui::kPushButton, kRemoveButton);
    excludedFileGroup_.Create(panel, L"Exclude file names:");
    addExcludedFileEdit_.Create(panel, kAddExcludedFileEdit);
    excludedFileListBox_.Create(panel, kExcludedFileListBox);
    addExcludedFileButton_.Create(panel, L"A&dd", ui::kPushButton, kAddExcludedFileButton);
    removeFileButton_.Create(panel, L"Re&move", ui::kPushButton, kRemoveFileButton);
    splitter_.Create(panel, kFilesSplitter);
    renameFileCheckBox_.Create(panel, L"Rename &files", ui::kCheckBox, kRenameFileCheckBox);
    moveRenameCheckBox_.Create(panel, L"Mo&ve renamed files/folders", ui::kCheckBox, kMoveRenameCheckBox);
    tryCheckBox_.Create(panel, L"&Try", ui::kCheckBox, kTryCheckBox);
    tryTimesEdit_.Create(panel, kTryTimesEdit, 0, 0);
    tryLabel_.Create(panel, L"times for in-use files");

    addButton_.onClick = [this] { AddExactlyOnce(addExtensionEdit_, extensionList_); };
    removeButton_.onClick = [this] { extensionList_.DeleteSelected(); };
    addExcludedFileButton_.onClick = [this] { AddExactlyOnce(addExcludedFileEdit_, excludedFileListBox_); };
    removeFileButton_.onClick = [this] { excludedFileListBox_.DeleteSelected(); };
    tryCheckBox_.onClick = [this] { TryCheckBoxClick(); };
    splitter_.onMoved = [this] { Layout(dpi_); };
}

void TFilesPage::Show(const Settings& s) {
    for (const auto& mask : s.ExcludedExt)
        extensionList_.Add(mask);
    renameFileCheckBox_.SetChecked(s.RenameFile);
    moveRenameCheckBox_.SetChecked(s.MoveRenamed);
    for (const auto& mask : s.ExcludedFiles)
        excludedFileListBox_.Add(mask);
    tryCheckBox_.SetChecked(s.TryToMove);
    tryTimesEdit_.SetValue(s.TryCount);
    TryCheckBoxClick();
}

void TFilesPage::Store(Settings& s) {
    s.ExcludedExt = extensionList_.Items();
    s.RenameFile = renameFileCheckBox_.Checked();
    s.MoveRenamed = moveRenameCheckBox_.Checked();
    s.TryToMove = tryCheckBox_.Checked();
    s.TryCount = tryTimesEdit_.Value();
    s.ExcludedFiles = excludedFileListBox_.Items();
}

void TFilesPage::TryCheckBoxClick() {
    bool on = tryCheckBox_.Checked();
    tryTimesEdit_.SetEnabled(on);
    tryLabel_.SetEnabled(on);
}

void TFilesPage::Layout(UINT dpi) {
    dpi_ = dpi;
    auto at = [&](const ui::TWindow& c, int x, int y, int cw, int ch) { c.Place(x, y, cw, ch, dpi); };
    const SIZE size = Size96(dpi);
    const int w = size.cx, h = size.cy;
    // Two rows of options along the bottom; the two list groups share the rest, side by side.
    int row2 = h - 26, row1 = row2 - 21;
    int groupH = row1 - 8;
    // The splitter's middle divides the page; each list group keeps at least 160 pixels.
    int split = splitter_.Position(w, 160);
    at(splitter_, split - 3, 2, 6, groupH);
    const ui::TWindow* groups[2][5] = {
        {&extensionGroup_, &addExtensionEdit_, &extensionList_, &addButton_, &removeButton_},
        {&excludedFileGroup_, &addExcludedFileEdit_, &excludedFileListBox_, &addExcludedFileButton_,
         &removeFileButton_}};
    for (int g = 0; g < 2; ++g) {
        int gx = g == 0 ? 4 : split + 3;
        int groupW = g == 0 ? split - 3 - 4 : w - 4 - gx;
        int buttonW = 62;
        int innerW = groupW - 16 - buttonW - 6;
        at(*groups[g][0], gx, 2, groupW, groupH);
        at(*groups[g][1], gx + 8, 20, innerW, 21);
        at(*groups[g][2], gx + 8, 46, innerW, groupH - 46 - 8);
        at(*groups[g][3], gx + 8 + innerW + 6, 19, buttonW, 23);
        at(*groups[g][4], gx + 8 + innerW + 6, 46, buttonW, 23);
    }
    at(renameFileCheckBox_, 8, row1 + 2, 110, 17);
    at(moveRenameCheckBox_, 124, row1 + 2, 200, 17);
    at(tryCheckBox_, 8, row2 + 3, 44, 17);
    tryTimesEdit_.Place(54, row2 + 1, 56, 21, dpi);
    at(tryLabel_, 116, row2 + 5, 160, 15);
}

}  // namespace vantrel

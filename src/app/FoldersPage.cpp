// The "Folders" page: the target folder list and its buttons, the folder moves. Invalid input
// (empty, duplicate, a folder that does not exist) is ignored without a message.
#include "app/Folder.h"
#include "app/Main.h"
#include "app/MainPages.h"
#include "app/ShellServices.h"
#include "platform/Platform.h"
#include "platform/Text.h"

namespace vantrel {

TFoldersPage::TFoldersPage(FoldersPageHost host) : host_(std::move(host)) {}

TFoldersPage::~TFoldersPage() = default;

void TFoldersPage::Create(HWND parent, UINT dpi, ui::TActionList& actions) {
    ui::TPanel::Create(parent);
    HWND panel = Handle();
    targetGroup_.Create(panel, L"&Target folders:");
    destinationEdit_.Create(panel, kDestinationEdit);
    folderTree_.OnInitNode = [this](size_t position, ui::TFolderNode& node) { FolderTreeInitNode(position, node); };
    folderTree_.OnGetText = [](const ui::TFolderNode& node) { return node.Folder; };
    folderTree_.OnFreeNode = [](ui::TFolderNode& node) {
        node.Folder.clear();
        node.Folder.shrink_to_fit();
    };
    folderTree_.OnNewText = [this](size_t index, const std::wstring& text) { FolderTreeNewText(index, text); };
    folderTree_.Create(panel, kFolderTree, dpi);
    tntButton3_.Create(panel, L"&Browse", ui::kPushButton, kBrowseAction);
    tntButton1_.Create(panel, L"&Add", ui::kPushButton, kAddFolderAction);
    tntButton2_.Create(panel, L"&Remove", ui::kPushButton, kRemoveFolderAction);
    openButton_.Create(panel, L"&Open", ui::kPushButton, kOpenButton);
    moveFolderCheckBox_.Create(panel, L"&Move folders", ui::kCheckBox, kMoveFolderCheckAction);
    renameFolderCheckBox_.Create(panel, L"Rename &folders", ui::kCheckBox, kRenameFolderCheckBox);
    delayLabel_.Create(panel, L"&Delay(s):");
    delayEdit_.Create(panel, kDelayEdit, 1, 1000);
    actions.Find(kBrowseAction)->Bind(tntButton3_);
    actions.Find(kAddFolderAction)->Bind(tntButton1_);
    actions.Find(kRemoveFolderAction)->Bind(tntButton2_);
    moveFolderCheck_ = actions.Find(kMoveFolderCheckAction);
    moveFolderCheck_->Bind(moveFolderCheckBox_);
    openButton_.onClick = [this] { OpenButtonClick(); };
}

void TFoldersPage::Show(const Settings& s) {
    // The nodes are these settings' folders: the target first, then the alternates.
    shownFolders_.assign(1, s.DestinationFolder);
    shownFolders_.insert(shownFolders_.end(), s.AlternateFolders.begin(), s.AlternateFolders.end());
    destinationEdit_.SetText(s.DestinationFolder);
    moveFolderCheck_->SetChecked(s.MoveFolder);
    delayEdit_.SetValue(s.MoveFolderDelay / 1000);
    MoveFolderCheckActionExecute();
    renameFolderCheckBox_.SetChecked(s.RenameFolder);
    folderTree_.SetNodeCount(s.AlternateFolders.size() + 1);
    shownFolders_.clear();
}

void TFoldersPage::Store(Settings& s) {
    s.RenameFolder = renameFolderCheckBox_.Checked();
    s.MoveFolder = moveFolderCheckBox_.Checked();
    s.MoveFolderDelay = delayEdit_.Value() * 1000;
    // Without a checked node the target stays as it was.
    s.AlternateFolders.clear();
    for (size_t i = 0; i < folderTree_.Count(); ++i) {
        const ui::TFolderNode& node = folderTree_.Node(i);
        if (node.Checked)
            s.DestinationFolder = node.Folder;
        else
            s.AlternateFolders.push_back(node.Folder);
    }
}

void TFoldersPage::MoveFolderCheckActionExecute() {
    bool on = moveFolderCheckBox_.Checked();
    delayEdit_.SetEnabled(on);
    renameFolderCheckBox_.SetEnabled(on);
    delayLabel_.SetEnabled(on);
}

void TFoldersPage::FolderTreeInitNode(size_t position, ui::TFolderNode& node) {
    if (position < shownFolders_.size()) node.Folder = shownFolders_[position];
    node.Checked = position == 0;
}

bool TFoldersPage::RefuseDesktop(const std::wstring& folder) {
    if (!SameFolder(folder, host_.options.DesktopFolder())) return false;
    host_.shell.Refuse(GetAncestor(Handle(), GA_ROOT),
                       L"\"" + folder + L"\" is the desktop folder. New items are moved away from the desktop, so it " +
                           L"cannot be a target folder.");
    return true;
}

void TFoldersPage::FolderTreeNewText(size_t index, const std::wstring& text) {
    if (index >= folderTree_.Count() || text.empty() || RefuseDesktop(text) || !Os().DirectoryExists(text)) return;
    folderTree_.Node(index).Folder = WithTrailingBackslash(text);  // letter case as typed
}

void TFoldersPage::AddFolderActionExecute() {
    std::wstring candidate = destinationEdit_.Text();
    if (RefuseDesktop(candidate)) return;
    candidate = Lowered(WithTrailingBackslash(candidate));
    for (size_t i = 0; i < folderTree_.Count(); ++i)
        if (SameFolder(folderTree_.Node(i).Folder, candidate)) return;
    if (!Os().DirectoryExists(candidate)) return;
    folderTree_.AddNode(candidate);
}

void TFoldersPage::RemoveFolderActionExecute() {
    // At least one folder always remains.
    if (folderTree_.SelectedCount() == folderTree_.Count()) return;
    folderTree_.DeleteSelected();
    if (folderTree_.CheckedIndex() < 0 && folderTree_.Count() > 0) folderTree_.SetChecked(0, true);
}

void TFoldersPage::BrowseActionExecute() {
    if (!folderForm_) folderForm_ = std::make_unique<TFolderForm>(GetParent(Handle()));
    if (folderForm_->ShowModal() == ui::kModalOk) destinationEdit_.SetText(folderForm_->Directory());
}

void TFoldersPage::OpenButtonClick() {
    int selected = folderTree_.FirstSelected();
    std::wstring folder =
        selected >= 0 ? folderTree_.Node(static_cast<size_t>(selected)).Folder : host_.options.DestinationFolder();
    host_.shell.Execute(L"open", folder);
}

void TFoldersPage::CheckFolder(const std::wstring& folder) {
    int checked = folderTree_.CheckedIndex();
    if (checked >= 0) folderTree_.SetChecked(static_cast<size_t>(checked), false);
    for (size_t i = 0; i < folderTree_.Count(); ++i) {
        if (SameFolder(folderTree_.Node(i).Folder, folder)) {
            folderTree_.SetChecked(i, true);
            break;
        }
    }
}

void TFoldersPage::Layout(UINT dpi) {
    auto at = [&](const ui::TWindow& c, int x, int y, int cw, int ch) { c.Place(x, y, cw, ch, dpi); };
    const SIZE size = Size96(dpi);
    int buttonW = 75;
    int stripY = size.cy - 27;
    int groupW = size.cx - 8 - buttonW - 8 - 4;
    int groupH = stripY - 8;
    at(targetGroup_, 4, 2, groupW, groupH);
    at(destinationEdit_, 12, 20, groupW - 16, 21);
    at(folderTree_, 12, 46, groupW - 16, groupH - 46 - 8);
    folderTree_.Resized();
    int bx = 4 + groupW + 8;
    at(tntButton3_, bx, 19, buttonW, 23);
    at(tntButton1_, bx, 46, buttonW, 23);
    at(tntButton2_, bx, 73, buttonW, 23);
    at(openButton_, bx, 100, buttonW, 23);
    at(moveFolderCheckBox_, 8, stripY + 4, 100, 17);
    at(renameFolderCheckBox_, 116, stripY + 4, 110, 17);
    at(delayLabel_, 238, stripY + 6, 56, 15);
    delayEdit_.Place(296, stripY + 2, 60, 21, dpi);
}

}  // namespace vantrel

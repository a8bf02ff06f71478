// The main window's controls: created once with their captions and access keys, placed from
// pixel sizes at 96 DPI scaled to the window's DPI, and following the window's size.
#include "app/Main.h"

#include <commctrl.h>

#include <utility>

#include "ui/Dpi.h"
#include "ui/Splitter.h"

namespace vantrel {

namespace {

constexpr DWORD kVisible = WS_VISIBLE;
constexpr DWORD kTab = WS_VISIBLE | WS_TABSTOP;

// The button strip and the tab control's margins, at 96 DPI.
constexpr int kMargin = 4;
constexpr int kStripHeight = 25;
constexpr int kButtonWidth = 75;
// The splitter between the two exclusion lists, found again by its id on the "Files" page.
constexpr UINT kFilesSplitter = 299;

}  // namespace

void TMainForm::CreateControls() {
    HWND w = Handle();
    using ui::CreateControl;

    Pages = CreateControl(w, WC_TABCONTROLW, L"", kTab | WS_CLIPSIBLINGS, kPages);
    const wchar_t* titles[] = {L"Files", L"Folders", L"Miscellaneous"};
    for (int i = 0; i < 3; ++i) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(titles[i]);
        TabCtrl_InsertItem(Pages, i, &item);
    }

    // Each page is a panel over the tab control's page area; its controls are the panel's children.
    HWND panel = nullptr;
    for (HWND& page : pagePanels_)
        page = ui::CreatePanel(w);

    auto group = [&](const wchar_t* caption) {
        return CreateControl(panel, WC_BUTTONW, caption, kVisible | BS_GROUPBOX);
    };
    auto edit = [&](UINT id) {
        return CreateControl(panel, WC_EDITW, L"", kTab | ES_AUTOHSCROLL, id, WS_EX_CLIENTEDGE);
    };
    auto button = [&](const wchar_t* caption, UINT id) {
        return CreateControl(panel, WC_BUTTONW, caption, kTab | BS_PUSHBUTTON, id);
    };
    auto check = [&](const wchar_t* caption, UINT id) {
        return CreateControl(panel, WC_BUTTONW, caption, kTab | BS_AUTOCHECKBOX, id);
    };
    auto label = [&](const wchar_t* caption) { return CreateControl(panel, WC_STATICW, caption, kVisible | SS_LEFT); };
    auto list = [&](UINT id) {
        return CreateControl(panel, WC_LISTBOXW, L"",
                             kTab | WS_VSCROLL | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, id,
                             WS_EX_CLIENTEDGE);
    };

    // Files: two exclusion lists side by side, then the rename and retry strip.
    panel = pagePanels_[kFilesPage];
    ExtensionGroup = group(L"E&xclude file extensions:");
    AddExtensionEdit = edit(kAddExtensionEdit);
    ExtensionList = list(kExtensionList);
    AddButton = button(L"&Add", kAddButton);
    RemoveButton = button(L"&Remove", kRemoveButton);
    ExcludedFileGroup = group(L"Exclude file names:");
    AddExcludedFileEdit = edit(kAddExcludedFileEdit);
    ExcludedFileListBox = list(kExcludedFileListBox);
    AddExcludedFileButton = button(L"A&dd", kAddExcludedFileButton);
    RemoveFileButton = button(L"Re&move", kRemoveFileButton);
    ui::CreateSplitter(panel, kFilesSplitter, [this] { Layout(); });
    RenameFileCheckBox = check(L"Rename &files", kRenameFileCheckBox);
    MoveRenameCheckBox = check(L"Mo&ve renamed files/folders", kMoveRenameCheckBox);
    TryCheckBox = check(L"&Try", kTryCheckBox);
    TryTimesEdit.Create(panel, kTryTimesEdit, 0, 0);
    TryLabel = label(L"times for in-use files");

    // Folders: the target folder list with its edit and buttons, then the folder-move strip.
    panel = pagePanels_[kFoldersPage];
    TargetGroup = group(L"&Target folders:");
    DestinationEdit = edit(kDestinationEdit);
    FolderTree.OnInitNode = [this](size_t position, ui::TFolderNode& node) { FolderTreeInitNode(position, node); };
    FolderTree.OnGetText = [this](const ui::TFolderNode& node) { return FolderTreeGetText(node); };
    FolderTree.OnFreeNode = [this](ui::TFolderNode& node) { FolderTreeFreeNode(node); };
    FolderTree.OnNewText = [this](size_t index, const std::wstring& text) { FolderTreeNewText(index, text); };
    FolderTree.Create(panel, kFolderTree, dpi_);
    TntButton3 = button(L"&Browse", kBrowseAction);
    TntButton1 = button(L"&Add", kAddFolderAction);
    TntButton2 = button(L"&Remove", kRemoveFolderAction);
    OpenButton = button(L"&Open", kOpenButton);
    MoveFolderCheckBox = check(L"&Move folders", kMoveFolderCheckAction);
    RenameFolderCheckBox = check(L"Rename &folders", kRenameFolderCheckBox);
    DelayLabel = label(L"&Delay(s):");
    DelayEdit.Create(panel, kDelayEdit, 1, 1000);
    BrowseAction->Bind(TntButton3);
    AddFolderAction->Bind(TntButton1);
    RemoveFolderAction->Bind(TntButton2);
    MoveFolderCheckAction->Bind(MoveFolderCheckBox);

    // Miscellaneous: the log strip and memo on top, the notes group along the bottom.
    panel = pagePanels_[kMiscPage];
    SearchEdit = edit(kSearchEdit);
    DirectionGroup = group(L"Direction:");
    UpRadio = CreateControl(panel, WC_BUTTONW, L"&Up", kTab | BS_AUTORADIOBUTTON | WS_GROUP, kUpRadio);
    DownRadio = CreateControl(panel, WC_BUTTONW, L"&Down", kVisible | BS_AUTORADIOBUTTON, kDownRadio);
    ui::SetChecked(DownRadio, true);
    SearchButton = button(L"Sea&rch log", kSearchButton);
    ViewLogButton = button(L"&View log", kViewLogButton);
    ClearLogButton = button(L"&Clear log", kClearLogButton);
    LogMemo = CreateControl(panel, WC_EDITW, L"",
                            kTab | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL, kLogMemo,
                            WS_EX_CLIENTEDGE);
    NotesGroup = group(L"Notes:");
    NoteCheckBox = check(L"&Take notes", kTakeNoteAction);
    SaveNoteFilesCheckBox = check(L"S&ave note files", kSaveNoteFilesCheckBox);
    NotesLine = CreateControl(panel, WC_STATICW, L"", kVisible | SS_ETCHEDVERT);
    IconCheckBox = check(L"Show &icon", kIconCheckBox);
    AutoStartCheckBox = check(L"Aut&o start", kAutoStartAction);
    TakeNoteAction->Bind(NoteCheckBox);
    AutoStartAction->Bind(AutoStartCheckBox);

    // The button strip below the pages.
    panel = w;
    SaveButton = CreateControl(w, WC_BUTTONW, L"&Save", kTab | BS_DEFPUSHBUTTON, kSaveAction);
    HideButton = button(L"&Hide", kShowAction);
    AboutButton = button(L"A&bout...", kAboutAction);
    ExitButton = button(L"&Exit", kExitAction);
    SaveAction->Bind(SaveButton);
    ShowAction->Bind(HideButton, false);
    AboutAction->Bind(AboutButton);
    ExitAction->Bind(ExitButton);

    // The tab control lies under the pages.
    SetWindowPos(Pages, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TMainForm::ApplyFonts() {
    // The old font goes only once no control uses it any more.
    unique_hgdiobj font = ui::CreateUiFont(dpi_);
    ui::SetFontOfChildren(Handle(), static_cast<HFONT>(font.get()));
    font_ = std::move(font);
}

void TMainForm::Layout() {
    if (!Pages) return;
    RECT client;
    GetClientRect(Handle(), &client);
    // Work at 96 DPI: the client size in those units.
    int cw = MulDiv(client.right, 96, static_cast<int>(dpi_));
    int ch = MulDiv(client.bottom, 96, static_cast<int>(dpi_));
    int stripY = ch - kMargin - kStripHeight;
    ui::Place(Pages, kMargin, kMargin, cw - 2 * kMargin, stripY - 2 * kMargin, dpi_);
    ui::Place(SaveButton, 8, stripY, kButtonWidth, kStripHeight, dpi_);
    ui::Place(HideButton, 8 + kButtonWidth + 6, stripY, kButtonWidth, kStripHeight, dpi_);
    ui::Place(AboutButton, 8 + 2 * (kButtonWidth + 6), stripY, kButtonWidth, kStripHeight, dpi_);
    ui::Place(ExitButton, cw - 8 - kButtonWidth, stripY, kButtonWidth, kStripHeight, dpi_);

    // The page area inside the tab control, back in 96-DPI units.
    RECT page;
    GetWindowRect(Pages, &page);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&page), 2);
    TabCtrl_AdjustRect(Pages, FALSE, &page);
    for (HWND panel : pagePanels_)
        SetWindowPos(panel, HWND_TOP, page.left, page.top, page.right - page.left, page.bottom - page.top,
                     SWP_NOACTIVATE);
    int w = MulDiv(page.right - page.left, 96, static_cast<int>(dpi_));
    int h = MulDiv(page.bottom - page.top, 96, static_cast<int>(dpi_));
    LayoutFiles(0, 0, w, h);
    LayoutFolders(0, 0, w, h);
    LayoutMisc(0, 0, w, h);
}

void TMainForm::LayoutFiles(int x0, int y0, int w, int h) {
    auto at = [&](HWND c, int x, int y, int cw, int ch) { ui::Place(c, x0 + x, y0 + y, cw, ch, dpi_); };
    // Two rows of options along the bottom; the two list groups share the rest, side by side.
    int row2 = h - 26, row1 = row2 - 21;
    int groupH = row1 - 8;
    // The splitter's middle divides the page; each list group keeps at least 160 pixels.
    HWND splitter = GetDlgItem(pagePanels_[kFilesPage], kFilesSplitter);
    int split = ui::SplitterPosition(splitter, w, 160);
    at(splitter, split - 3, 2, 6, groupH);
    HWND groups[2][5] = {
        {ExtensionGroup, AddExtensionEdit, ExtensionList, AddButton, RemoveButton},
        {ExcludedFileGroup, AddExcludedFileEdit, ExcludedFileListBox, AddExcludedFileButton, RemoveFileButton}};
    for (int g = 0; g < 2; ++g) {
        int gx = g == 0 ? 4 : split + 3;
        int groupW = g == 0 ? split - 3 - 4 : w - 4 - gx;
        int buttonW = 62;
        int innerW = groupW - 16 - buttonW - 6;
        at(groups[g][0], gx, 2, groupW, groupH);
        at(groups[g][1], gx + 8, 20, innerW, 21);
        at(groups[g][2], gx + 8, 46, innerW, groupH - 46 - 8);
        at(groups[g][3], gx + 8 + innerW + 6, 19, buttonW, 23);
        at(groups[g][4], gx + 8 + innerW + 6, 46, buttonW, 23);
    }
    at(RenameFileCheckBox, 8, row1 + 2, 110, 17);
    at(MoveRenameCheckBox, 124, row1 + 2, 200, 17);
    at(TryCheckBox, 8, row2 + 3, 44, 17);
    TryTimesEdit.Place(x0 + 54, y0 + row2 + 1, 56, 21, dpi_);
    at(TryLabel, 116, row2 + 5, 160, 15);
}

void TMainForm::LayoutFolders(int x0, int y0, int w, int h) {
    auto at = [&](HWND c, int x, int y, int cw, int ch) { ui::Place(c, x0 + x, y0 + y, cw, ch, dpi_); };
    int buttonW = 75;
    int stripY = h - 27;
    int groupW = w - 8 - buttonW - 8 - 4;
    int groupH = stripY - 8;
    at(TargetGroup, 4, 2, groupW, groupH);
    at(DestinationEdit, 12, 20, groupW - 16, 21);
    at(FolderTree.Handle(), 12, 46, groupW - 16, groupH - 46 - 8);
    FolderTree.Resized();
    int bx = 4 + groupW + 8;
    at(TntButton3, bx, 19, buttonW, 23);
    at(TntButton1, bx, 46, buttonW, 23);
    at(TntButton2, bx, 73, buttonW, 23);
    at(OpenButton, bx, 100, buttonW, 23);
    at(MoveFolderCheckBox, 8, stripY + 4, 100, 17);
    at(RenameFolderCheckBox, 116, stripY + 4, 110, 17);
    at(DelayLabel, 238, stripY + 6, 56, 15);
    DelayEdit.Place(x0 + 296, y0 + stripY + 2, 60, 21, dpi_);
}

void TMainForm::LayoutMisc(int x0, int y0, int w, int h) {
    auto at = [&](HWND c, int x, int y, int cw, int ch) { ui::Place(c, x0 + x, y0 + y, cw, ch, dpi_); };
    // The search strip, the two log buttons at the right, the memo, the notes group at the bottom.
    int logButtonW = 62;
    at(SearchEdit, 8, 14, 96, 21);
    at(DirectionGroup, 110, 2, 104, 40);
    at(UpRadio, 118, 18, 40, 17);
    at(DownRadio, 160, 18, 50, 17);
    at(SearchButton, 220, 13, 66, 23);
    at(ClearLogButton, w - 8 - logButtonW, 13, logButtonW, 23);
    at(ViewLogButton, w - 8 - 2 * logButtonW - 4, 13, logButtonW, 23);
    int notesH = 46;
    int notesY = h - notesH - 4;
    at(LogMemo, 8, 46, w - 16, notesY - 46 - 6);
    at(NotesGroup, 4, notesY, w - 8, notesH);
    at(NoteCheckBox, 14, notesY + 20, 96, 17);
    at(SaveNoteFilesCheckBox, 114, notesY + 20, 110, 17);
    at(NotesLine, 232, notesY + 14, 2, 26);
    at(IconCheckBox, 244, notesY + 20, 80, 17);
    at(AutoStartCheckBox, 330, notesY + 20, 80, 17);
}

}  // namespace vantrel

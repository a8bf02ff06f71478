// The real main window, built hidden on the fake platform and driven through its own messages:
// the settings pages' rules, "&Save", the message filter, Exit and the About box.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/About.h"
#include "app/Folder.h"
#include "app/Main.h"
#include "fakes/FakePlatform.h"
#include "platform/Text.h"
#include "settings/Options.h"
#include "settings/SettingsFile.h"
#include "support/DialogWatch.h"
#include "support/MainFixture.h"
#include "ui/Application.h"
#include "ui/Controls.h"

namespace vantrel {
namespace {

const std::wstring kHome = L"C:\\Users\\tester\\";

// The fake platform, with a few folders that exist.
struct FakeWorld {
    static constexpr bool kQueued = false;
    fake::FakeOs os;
    void SetUp() {
        os->AddDirectory(L"D:\\Archive");
        os->AddDirectory(L"D:\\Data");
        os->AddDirectory(L"E:\\Ziel \u00DCbersicht \u03A9");
    }
    std::string Read(const std::wstring& path) { return os->Content(path); }
    std::wstring SettingsFile(const TOptions* options) const { return options->SettingsFileName(); }
    std::wstring LogFile(const TOptions* options) const { return options->Logger()->LogFileName(); }
};

class MainFormTest : public test::MainFixture<FakeWorld> {
  protected:
    fake::FakeOs& os = world.os;
};

TEST_F(MainFormTest, StartsHiddenWithTheSettingsInItsControls) {
    MakeOptions();
    options->SetAlternateFolders({L"D:\\Archive\\", L"D:\\Data\\"});
    options->SetExcludedFiles({L"New Folder.*", L"desktop.ini"});
    options->SetTryToMove(true);
    options->SetTryCount(7);
    options->SetQuickNote(true);
    options->SetSaveNoteFiles(true);
    options->SetMoveRenamed(true);
    Build();

    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    wchar_t caption[64] = {};
    GetWindowTextW(form->Handle(), caption, 64);
    EXPECT_STREQ(caption, L"Desktop Vantrel");
    EXPECT_EQ(form->ActivePage(), kFilesPage);
    EXPECT_EQ(ui::GetText(FoldersPage().DestinationEdit()), options->DestinationFolder());
    EXPECT_EQ(ui::ListItems(FilesPage().ExtensionList()), options->ExcludedExt());
    EXPECT_EQ(ui::ListItems(FilesPage().ExcludedFileListBox()), (StringList{L"New Folder.*", L"desktop.ini"}));
    EXPECT_EQ(Folders(), (StringList{options->DestinationFolder(), L"D:\\Archive\\", L"D:\\Data\\"}));
    EXPECT_EQ(FoldersPage().FolderTree().CheckedIndex(), 0);
    EXPECT_TRUE(ui::IsChecked(FilesPage().TryCheckBox()));
    EXPECT_EQ(FilesPage().TryTimesEdit().Value(), 7);
    EXPECT_TRUE(Enabled(FilesPage().TryTimesEdit().Edit()));
    EXPECT_TRUE(ui::IsChecked(MiscPage().NoteCheckBox()));
    EXPECT_TRUE(Enabled(MiscPage().SaveNoteFilesCheckBox()));
    EXPECT_TRUE(ui::IsChecked(FilesPage().MoveRenameCheckBox()));
    EXPECT_TRUE(ui::IsChecked(FilesPage().RenameFileCheckBox()));
    EXPECT_TRUE(ui::IsChecked(MiscPage().IconCheckBox()));
    EXPECT_FALSE(ui::IsChecked(FoldersPage().MoveFolderCheckBox()));
    EXPECT_FALSE(Enabled(FoldersPage().DelayEdit().Edit()));
    EXPECT_FALSE(Enabled(FoldersPage().RenameFolderCheckBox()));
    EXPECT_FALSE(Enabled(FoldersPage().DelayLabel()));

    // Every command of the window is an action of its list.
    for (const wchar_t* name :
         {L"SaveAction", L"ShowAction", L"AboutAction", L"ExitAction", L"PauseAction", L"ShowIconAction",
          L"OpenTargetFolderAction", L"ExploreTargetFolderAction", L"ViewLogAction", L"AutoStartAction",
          L"MoveFolderCheckAction", L"TakeNoteAction", L"BrowseAction", L"AddFolderAction", L"RemoveFolderAction"})
        EXPECT_NE(form->MainActionList.Find(name), nullptr) << name;
    EXPECT_EQ(ui::GetText(form->HideButton()), L"&Hide");
    EXPECT_EQ(ui::GetText(MiscPage().AutoStartCheckBox()), L"Aut&o start");
    EXPECT_EQ(ui::GetText(MiscPage().NoteCheckBox()), L"&Take notes");
}

TEST_F(MainFormTest, ExclusionListsAddExactlyAndRemoveTheSelection) {
    MakeOptions();
    options->SetExcludedExt({L"*.tmp"});
    options->SetExcludedFiles({});
    Build();

    struct Page {
        HWND edit, list, add, remove;
    } lists[] = {{FilesPage().AddExtensionEdit(), FilesPage().ExtensionList(), FilesPage().AddButton(),
                  FilesPage().RemoveButton()},
                 {FilesPage().AddExcludedFileEdit(), FilesPage().ExcludedFileListBox(),
                  FilesPage().AddExcludedFileButton(), FilesPage().RemoveFileButton()}};
    ui::ListAdd(lists[1].list, L"*.tmp");
    for (const Page& p : lists) {
        Type(p.edit, L"*.TMP");
        Click(p.add);
        EXPECT_EQ(ui::ListItems(p.list), (StringList{L"*.tmp", L"*.TMP"}));
        EXPECT_EQ(ui::GetText(p.edit), L"*.TMP");  // the edit keeps its text
        Type(p.edit, L"*.tmp");
        Click(p.add);
        Type(p.edit, L"");
        Click(p.add);
        EXPECT_EQ(ui::ListItems(p.list), (StringList{L"*.tmp", L"*.TMP"}));
        Type(p.edit, L" New Folder.* ");
        Click(p.add);
        EXPECT_EQ(ui::ListItems(p.list), (StringList{L"*.tmp", L"*.TMP", L" New Folder.* "}));

        Click(p.remove);  // nothing selected: nothing goes
        EXPECT_EQ(ui::ListItems(p.list).size(), 3u);
        ui::ListSetSelected(p.list, 0, true);
        ui::ListSetSelected(p.list, 2, true);
        Click(p.remove);
        EXPECT_EQ(ui::ListItems(p.list), (StringList{L"*.TMP"}));
    }
}

TEST_F(MainFormTest, DependentControlsFollowTheirBoxesAndKeepTheirValues) {
    Build();
    Toggle(FilesPage().TryCheckBox());
    EXPECT_TRUE(Enabled(FilesPage().TryTimesEdit().Edit()));
    EXPECT_TRUE(Enabled(FilesPage().TryLabel()));
    Toggle(FilesPage().TryCheckBox());
    EXPECT_FALSE(Enabled(FilesPage().TryTimesEdit().Edit()));
    EXPECT_FALSE(Enabled(FilesPage().TryLabel()));

    Toggle(FoldersPage().MoveFolderCheckBox());
    EXPECT_TRUE(Action(L"MoveFolderCheckAction").Checked());
    EXPECT_TRUE(Enabled(FoldersPage().DelayEdit().Edit()));
    EXPECT_TRUE(Enabled(FoldersPage().RenameFolderCheckBox()));
    EXPECT_TRUE(Enabled(FoldersPage().DelayLabel()));
    FoldersPage().DelayEdit().SetValue(9);
    Toggle(FoldersPage().MoveFolderCheckBox());
    EXPECT_FALSE(Enabled(FoldersPage().DelayEdit().Edit()));
    EXPECT_FALSE(Enabled(FoldersPage().RenameFolderCheckBox()));
    EXPECT_FALSE(Enabled(FoldersPage().DelayLabel()));

    Toggle(MiscPage().NoteCheckBox());
    EXPECT_TRUE(Enabled(MiscPage().SaveNoteFilesCheckBox()));
    ui::SetChecked(MiscPage().SaveNoteFilesCheckBox(), true);
    Toggle(MiscPage().NoteCheckBox());
    EXPECT_FALSE(Enabled(MiscPage().SaveNoteFilesCheckBox()));

    // Disabled controls are still stored.
    Click(form->SaveButton());
    EXPECT_EQ(options->MoveFolderDelay(), 9000);
    EXPECT_TRUE(options->SaveNoteFiles());
    EXPECT_TRUE(options->RenameFolder());
    EXPECT_FALSE(options->MoveFolder());
}

TEST_F(MainFormTest, DelayIsShownInWholeSecondsAndStoredTimesAThousand) {
    const std::vector<std::pair<int, int>> cases = {{500, 1}, {2500, 2}, {0, 1}, {5000000, 1000}};
    for (auto [ms, shown] : cases) {
        form.reset();
        MakeOptions();
        options->SetMoveFolderDelay(ms);
        Build();
        EXPECT_EQ(FoldersPage().DelayEdit().Value(), shown) << ms;
        Click(form->SaveButton());
        EXPECT_EQ(options->MoveFolderDelay(), shown * 1000) << ms;
        EXPECT_EQ(SavedSettings().MoveFolderDelay, shown * 1000) << ms;
    }
    // Text that is no whole number reads as the smallest value, and shows it.
    ui::SetText(FoldersPage().DelayEdit().Edit(), L"soon");
    ui::SetText(FilesPage().TryTimesEdit().Edit(), L"3x");
    Click(form->SaveButton());
    EXPECT_EQ(options->MoveFolderDelay(), 1000);
    EXPECT_EQ(options->TryCount(), 0);
    EXPECT_EQ(ui::GetText(FoldersPage().DelayEdit().Edit()), L"1");
    EXPECT_EQ(ui::GetText(FilesPage().TryTimesEdit().Edit()), L"0");
}

TEST_F(MainFormTest, AddingAFolderLowersItAddsABackslashAndTakesExistingNewOnesOnly) {
    Build();
    std::wstring target = options->DestinationFolder();
    Type(FoldersPage().DestinationEdit(), L"D:\\Archive");
    Click(FoldersPage().TntButton1());
    EXPECT_EQ(Folders(), (StringList{target, L"d:\\archive\\"}));
    EXPECT_EQ(FoldersPage().FolderTree().CheckedIndex(), 0);
    Type(FoldersPage().DestinationEdit(), L"d:\\ARCHIVE\\");
    Click(FoldersPage().TntButton1());
    Type(FoldersPage().DestinationEdit(), L"D:\\Missing");
    Click(FoldersPage().TntButton1());
    Type(FoldersPage().DestinationEdit(), target);
    Click(FoldersPage().TntButton1());
    EXPECT_EQ(Folders(), (StringList{target, L"d:\\archive\\"}));
    Type(FoldersPage().DestinationEdit(), L"E:\\Ziel \u00DCbersicht \u03A9");
    Click(FoldersPage().TntButton1());
    std::wstring lowered = L"E:\\Ziel \u00DCbersicht \u03A9\\";
    os->LowerCase(lowered);  // the platform's Unicode lower case
    EXPECT_EQ(Folders().back(), lowered);
}

TEST_F(MainFormTest, EditingANodeInPlaceTakesExistingDirectoriesAsTyped) {
    MakeOptions();
    options->SetAlternateFolders({L"D:\\Archive\\"});
    Build();
    EditNode(1, L"D:\\Data");
    EXPECT_EQ(FoldersPage().FolderTree().Node(1).Folder, L"D:\\Data\\");
    EditNode(1, L"D:\\Nowhere");
    EXPECT_EQ(FoldersPage().FolderTree().Node(1).Folder, L"D:\\Data\\");
    EditNode(1, L"d:\\DATA\\");
    EXPECT_EQ(FoldersPage().FolderTree().Node(1).Folder, L"d:\\DATA\\");
}

TEST_F(MainFormTest, TheDesktopIsRefusedAsAFolderWithAMessageNamingIt) {
    MakeOptions();
    options->SetAlternateFolders({L"D:\\Archive\\"});
    Build();
    const std::vector<std::wstring>& refusals = shell.refusals;
    const StringList before = Folders();
    const std::wstring desktop = options->DesktopFolder();
    // However it is spelled: letter case, with or without the trailing backslash.
    Type(FoldersPage().DestinationEdit(), L"c:\\users\\TESTER\\Desktop");
    Click(FoldersPage().TntButton1());
    EditNode(1, desktop);
    EXPECT_EQ(Folders(), before);
    ASSERT_EQ(refusals.size(), 2u);
    EXPECT_EQ(shell.refusalOwners, (std::vector<HWND>{form->Handle(), form->Handle()}));  // over the window
    EXPECT_NE(refusals[0].find(L"\"c:\\users\\TESTER\\Desktop\" is the desktop folder"), std::wstring::npos);
    EXPECT_NE(refusals[1].find(desktop), std::wstring::npos);
    // A folder inside the desktop is a target like any other.
    os->AddDirectory(desktop + L"Sorted");
    Type(FoldersPage().DestinationEdit(), desktop + L"Sorted");
    Click(FoldersPage().TntButton1());
    EXPECT_EQ(Folders().size(), before.size() + 1);
    EXPECT_EQ(refusals.size(), 2u);
}

TEST_F(MainFormTest, RemovingFoldersKeepsOneAndMovesTheCheckToTheFirst) {
    MakeOptions();
    options->SetAlternateFolders({L"D:\\Archive\\", L"D:\\Data\\"});
    Build();
    std::wstring target = options->DestinationFolder();
    for (size_t i = 0; i < 3; ++i)
        FoldersPage().FolderTree().SetSelected(i, true);
    Click(FoldersPage().TntButton2());
    EXPECT_EQ(Folders().size(), 3u);  // never the last

    for (size_t i = 0; i < 3; ++i)
        FoldersPage().FolderTree().SetSelected(i, i == 0);
    Click(FoldersPage().TntButton2());
    EXPECT_EQ(Folders(), (StringList{L"D:\\Archive\\", L"D:\\Data\\"}));
    EXPECT_EQ(FoldersPage().FolderTree().CheckedIndex(), 0);

    Click(form->SaveButton());
    EXPECT_EQ(options->DestinationFolder(), L"D:\\Archive\\");
    EXPECT_EQ(options->AlternateFolders(), (StringList{L"D:\\Data\\"}));
    (void)target;
}

TEST_F(MainFormTest, ChoosingAnotherRadioAndSavingMakesItTheTarget) {
    MakeOptions();
    options->SetAlternateFolders({L"D:\\Archive\\", L"D:\\Data\\"});
    Build();
    std::wstring target = options->DestinationFolder();
    ClickRadio(2);
    EXPECT_EQ(FoldersPage().FolderTree().CheckedIndex(), 2);
    ClickRadio(2);  // a checked radio stays checked
    EXPECT_EQ(FoldersPage().FolderTree().CheckedIndex(), 2);
    Click(form->SaveButton());
    EXPECT_EQ(options->DestinationFolder(), L"D:\\Data\\");
    EXPECT_EQ(options->AlternateFolders(), (StringList{target, L"D:\\Archive\\"}));
}

TEST_F(MainFormTest, OpenShowsTheFirstSelectedFolderOrTheSavedTarget) {
    MakeOptions();
    options->SetAlternateFolders({L"D:\\Archive\\", L"D:\\Data\\"});
    Build();
    std::wstring target = options->DestinationFolder();
    ClickRadio(1);  // unsaved: the settings still hold the old target
    Click(FoldersPage().OpenButton());
    FoldersPage().FolderTree().SetSelected(2, true);
    FoldersPage().FolderTree().SetSelected(1, true);
    Click(FoldersPage().OpenButton());
    EXPECT_EQ(shell.executed,
              (std::vector<std::pair<std::wstring, std::wstring>>{{L"open", target}, {L"open", L"D:\\Archive\\"}}));
}

TEST_F(MainFormTest, SaveStoresEveryControlAndWritesTheFile) {
    Build();
    std::wstring target = options->DestinationFolder();
    Type(FilesPage().AddExtensionEdit(), L"*.bak");
    Click(FilesPage().AddButton());
    Type(FilesPage().AddExcludedFileEdit(), L"Thumbs.db");
    Click(FilesPage().AddExcludedFileButton());
    Toggle(MiscPage().NoteCheckBox());
    Toggle(MiscPage().SaveNoteFilesCheckBox());
    Toggle(FilesPage().RenameFileCheckBox());
    Toggle(FoldersPage().RenameFolderCheckBox());
    Toggle(FoldersPage().MoveFolderCheckBox());
    FoldersPage().DelayEdit().SetValue(4);
    Toggle(MiscPage().IconCheckBox());
    Toggle(FilesPage().MoveRenameCheckBox());
    Toggle(FilesPage().TryCheckBox());
    FilesPage().TryTimesEdit().SetValue(12);
    Type(FoldersPage().DestinationEdit(), L"D:\\Data");
    Click(FoldersPage().TntButton1());
    Type(FoldersPage().DestinationEdit(), L"D:\\Archive");  // Save does not read the edit
    std::string before = SettingsBytes();

    Click(form->SaveButton());
    Settings want = DefaultSettings(target);
    want.ExcludedExt.push_back(L"*.bak");
    want.ExcludedFiles.push_back(L"Thumbs.db");
    want.QuickNote = true;
    want.SaveNoteFiles = true;
    want.RenameFile = !want.RenameFile;
    want.RenameFolder = !want.RenameFolder;
    want.MoveFolder = true;
    want.MoveFolderDelay = 4000;
    want.ShowIcon = false;
    want.MoveRenamed = !want.MoveRenamed;
    want.TryToMove = true;
    want.TryCount = 12;
    want.AlternateFolders = {L"d:\\data\\"};
    EXPECT_EQ(options->Snapshot(), want);
    EXPECT_NE(SettingsBytes(), before);
    EXPECT_EQ(SavedSettings(), want);
    EXPECT_FALSE(options->Paused);

    // Saving again without a change writes the same file.
    Click(form->SaveButton());
    EXPECT_EQ(SavedSettings(), want);
}

TEST_F(MainFormTest, ALogThatCannotBeReadOrEmptiedShowsAnErrorAndKeepsTheMemoAndTheFile) {
    Build();
    const std::wstring log = options->Logger()->LogFileName();
    options->Logger()->AddLine(L"kept");
    const std::string before = os->Content(log);
    ui::SetText(MiscPage().LogMemo(), L"shown before");
    os->Fail(fake::Fault::ReadAll, log, SysError{33}, 1);  // ERROR_LOCK_VIOLATION
    Click(MiscPage().ViewLogButton());
    EXPECT_EQ(ui::GetText(MiscPage().LogMemo()), L"shown before\r\nError read log file. Error code: 33");
    os->Fail(fake::Fault::Truncate, log, kErrorAccessDenied, 1);
    Click(MiscPage().ClearLogButton());
    EXPECT_EQ(ui::GetText(MiscPage().LogMemo()),
              L"shown before\r\nError read log file. Error code: 33\r\nError clear log file. Error code: 5");
    EXPECT_EQ(os->Content(log), before);
    // Both work again once the file lets them.
    Click(MiscPage().ViewLogButton());
    EXPECT_EQ(ui::GetText(MiscPage().LogMemo()), FromUtf16Le(before));
}

// Enter in a one-line edit runs the default button, "&Save": the window's edits are stored, and
// the edit's own text is not added to its list.
TEST_F(MainFormTest, EnterInAnEditSavesTheWindowsEdits) {
    Build();
    Choose(kShowAction);
    HWND edit = FilesPage().AddExtensionEdit();
    Type(edit, L"*.bak");
    Click(FilesPage().AddButton());
    Toggle(FilesPage().TryCheckBox());
    Type(edit, L"*.new");
    SetFocus(edit);
    ASSERT_EQ(GetFocus(), edit);
    Settings want = SavedSettings();
    ASSERT_FALSE(want.TryToMove);  // nothing saved yet

    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    Pump();
    want.ExcludedExt.push_back(L"*.bak");
    want.TryToMove = true;
    EXPECT_EQ(SavedSettings(), want);
    EXPECT_EQ(options->Snapshot(), want);
    EXPECT_EQ(ui::GetText(edit), L"*.new");
    EXPECT_EQ(GetFocus(), edit);
}

TEST_F(MainFormTest, TheFilterTakesHotkeysAndTheCloseCommandAndLetsTheRestThrough) {
    Build();
    auto filter = [&](UINT message, WPARAM wParam, LPARAM lParam) {
        MSG msg = {form->Handle(), message, wParam, lParam, 0, {0, 0}};
        bool handled = false;
        form->ApplicationHotKeyEventsMessage(msg, handled);
        return handled;
    };
    EXPECT_TRUE(filter(WM_SYSCOMMAND, SC_CLOSE | 2, 0));
    EXPECT_FALSE(filter(WM_SYSCOMMAND, SC_MINIMIZE, 0));
    EXPECT_TRUE(filter(WM_HOTKEY, 1, MAKELPARAM(7, 'H')));
    EXPECT_TRUE(filter(WM_HOTKEY, 3, MAKELPARAM(7, 'I')));
    EXPECT_TRUE(filter(WM_HOTKEY, 9, MAKELPARAM(3, 'X')));  // other modifiers: swallowed, nothing runs
    EXPECT_TRUE(IsWindow(form->Handle()));
    EXPECT_FALSE(filter(WM_KEYDOWN, VK_RETURN, 0));
    EXPECT_FALSE(filter(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(-5000, -5000)));
    RECT outer;
    GetWindowRect(form->Handle(), &outer);
    EXPECT_TRUE(filter(WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(outer.right - 5, outer.top + 5)));
    EXPECT_TRUE(IsWindow(form->Handle()));
}

// The exit hotkey ends the program at once, also while the window is shown with edits not saved:
// the filter takes it, the window goes, the log is closed and the settings file stays as it was.
TEST_F(MainFormTest, ExitHotkeyEndsAtOnceWhileShownAndLosesUnsavedEdits) {
    Build();
    Type(FilesPage().AddExtensionEdit(), L"*.unsaved");
    Click(FilesPage().AddButton());
    Toggle(FilesPage().RenameFileCheckBox());
    Choose(kShowAction);
    ASSERT_TRUE(Shown());
    const std::string settings = SettingsBytes();
    ASSERT_FALSE(settings.empty());
    MSG msg = {form->Handle(), WM_HOTKEY, 2, MAKELPARAM(7, 'X'), 0, {0, 0}};
    bool handled = false;
    form->ApplicationHotKeyEventsMessage(msg, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(form->Handle(), nullptr);  // the window is gone
    EXPECT_FALSE(options->Logger()->IsOpen());
    EXPECT_EQ(SettingsBytes(), settings);
}

TEST_F(MainFormTest, EndOfTheSessionEndsAsExitDoes) {
    Build();
    std::string settings = SettingsBytes();
    EXPECT_TRUE(SendMessageW(form->Handle(), WM_QUERYENDSESSION, 0, 0));
    SendMessageW(form->Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(form->Handle(), nullptr);
    MSG quit = {};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_NE(LogText().find(L"-> Log stopped\r\n"), std::wstring::npos);
    EXPECT_EQ(SettingsBytes(), settings);
}

// The About box closes on a click or Esc, sent from a timer while it runs modally. A click into
// the maker's text leaves it open, and asking for it again while it is up opens no second box.
struct AboutStep {
    UINT message;
    WPARAM wParam;
    bool toMemo;
};
std::vector<AboutStep> aboutSteps;
TMainForm* aboutOwner = nullptr;
TAboutForm* aboutSeen = nullptr;
void CALLBACK NextAboutStep(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    TAboutForm* about = aboutOwner->AboutForm();
    if (!about || aboutSteps.empty()) return;
    aboutSeen = about;
    aboutOwner->MainActionList.Execute(kAboutAction);  // already up: brought to the front, not opened again
    AboutStep step = aboutSteps.front();
    aboutSteps.erase(aboutSteps.begin());
    PostMessageW(step.toMemo ? about->AboutMemo() : about->Handle(), step.message, step.wParam, 0);
    if (step.toMemo && step.message != WM_KEYDOWN) SetTimer(nullptr, 0, 50, NextAboutStep);
}

TEST_F(MainFormTest, AboutBoxShowsTheUnicodeLogPathAndClosesOnAClickOrEsc) {
    const std::wstring local = L"C:\\Users\\\u0422\u0435\u0441\u0442 \u2713\\AppData\\Local";
    os->AddDirectory(local);
    os->specialFolders[SpecialFolder::LocalAppData] = local;
    Build();
    aboutOwner = form.get();
    EXPECT_EQ(form->AboutForm(), nullptr);
    aboutSteps = {
        {WM_LBUTTONUP, 0, true}, {WM_LBUTTONUP, 0, false}, {WM_KEYDOWN, VK_ESCAPE, true}, {WM_RBUTTONUP, 0, false}};
    for (int i = 0; i < 3; ++i) {
        SetTimer(nullptr, 0, 50, NextAboutStep);
        Click(form->AboutButton());  // returns when the box has closed
        ASSERT_NE(form->AboutForm(), nullptr);
        EXPECT_FALSE(form->AboutForm()->Visible());
        EXPECT_EQ(aboutSeen, form->AboutForm());
    }
    EXPECT_TRUE(aboutSteps.empty());
    EXPECT_EQ(form->AboutForm()->LogFileLabel(),
              L"Log file: C:\\Users\\\u0422\u0435\u0441\u0442 \u2713\\AppData\\Local\\Vantrel\\Log.txt");
}

// At 100, 150 and 200 % every control of a page lies inside its page and none covers another
// (group boxes hold theirs), and the window is the size the pages are laid out for.
struct ChildRects {
    HWND parent;
    std::vector<std::pair<HWND, RECT>> rects;
};
BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    auto* c = reinterpret_cast<ChildRects*>(param);
    if (GetParent(child) != c->parent) return TRUE;
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, c->parent, reinterpret_cast<POINT*>(&r), 2);
    c->rects.push_back({child, r});
    return TRUE;
}
HWND BuddyOf(HWND hwnd) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    return _wcsicmp(cls, UPDOWN_CLASSW) == 0 ? reinterpret_cast<HWND>(SendMessageW(hwnd, UDM_GETBUDDY, 0, 0)) : nullptr;
}
bool IsGroupBox(HWND hwnd) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    return _wcsicmp(cls, L"Button") == 0 && (GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

TEST_F(MainFormTest, LayoutHoldsAtOneHundredOneHundredFiftyAndTwoHundredPercent) {
    for (int dpi : {96, 144, 192}) {
        SetEnvironmentVariableW(L"VANTREL_DPI", std::to_wstring(dpi).c_str());
        form.reset();
        Build();
        RECT client;
        GetClientRect(form->Handle(), &client);
        EXPECT_EQ(client.right, MulDiv(438, dpi, 96)) << dpi;
        EXPECT_EQ(client.bottom, MulDiv(311, dpi, 96)) << dpi;
        for (HWND page : {GetParent(FilesPage().AddButton()), GetParent(FoldersPage().TntButton1()),
                          GetParent(MiscPage().LogMemo())}) {
            ChildRects c{page, {}};
            EnumChildWindows(page, CollectChild, reinterpret_cast<LPARAM>(&c));
            RECT area;
            GetClientRect(page, &area);
            for (auto& [hwnd, r] : c.rects) {
                EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= area.right && r.bottom <= area.bottom)
                    << dpi << " " << ui::GetText(hwnd).size() << " control " << GetDlgCtrlID(hwnd);
                for (auto& [other, o] : c.rects) {
                    if (other == hwnd || IsGroupBox(hwnd) || IsGroupBox(other)) continue;
                    // A spin edit's arrows sit on its edit's border.
                    if (BuddyOf(hwnd) == other || BuddyOf(other) == hwnd) continue;
                    RECT overlap;
                    EXPECT_FALSE(IntersectRect(&overlap, &r, &o))
                        << dpi << ": controls " << GetDlgCtrlID(hwnd) << " and " << GetDlgCtrlID(other);
                }
            }
        }
    }
    SetEnvironmentVariableW(L"VANTREL_DPI", L"96");
}

TEST_F(MainFormTest, TheSplitterMovesTheBorderBetweenTheExclusionLists) {
    Build();
    HWND page = GetParent(FilesPage().AddButton());
    HWND splitter = GetDlgItem(page, 299);
    ASSERT_NE(splitter, nullptr);
    auto width = [](HWND hwnd) {
        RECT r;
        GetWindowRect(hwnd, &r);
        return r.right - r.left;
    };
    EXPECT_LE(std::abs(width(FilesPage().ExtensionGroup()) - width(FilesPage().ExcludedFileGroup())), 2);
    // A drag to 70 % of the page's width, in the splitter's own coordinates.
    auto dragTo = [&](int pageX) {
        POINT pt = {pageX, 10};
        MapWindowPoints(page, splitter, &pt, 1);
        SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 10));
        SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    };
    RECT area;
    GetClientRect(page, &area);
    dragTo(area.right * 7 / 10);
    EXPECT_GT(width(FilesPage().ExtensionGroup()), width(FilesPage().ExcludedFileGroup()) + 50);
    dragTo(0);  // each list keeps a usable width
    EXPECT_GE(width(FilesPage().ExtensionGroup()), 150);
    EXPECT_GT(width(FilesPage().ExcludedFileGroup()), width(FilesPage().ExtensionGroup()));
    // Moving the mouse without a press moves nothing.
    int before = width(FilesPage().ExtensionGroup());
    SendMessageW(splitter, WM_MOUSEMOVE, 0, MAKELPARAM(area.right / 2, 10));
    EXPECT_EQ(width(FilesPage().ExtensionGroup()), before);
}

TEST_F(MainFormTest, MovingToAMonitorOfAnotherDpiScalesTheWindow) {
    Build();
    RECT before;
    GetWindowRect(form->Handle(), &before);
    RECT suggested = {before.left, before.top, before.left + MulDiv(before.right - before.left, 3, 2),
                      before.top + MulDiv(before.bottom - before.top, 3, 2)};
    SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(form->Dpi(), 144u);
    RECT now;
    GetWindowRect(form->Handle(), &now);
    EXPECT_EQ(now.right - now.left, suggested.right - suggested.left);
    RECT button;
    GetWindowRect(form->SaveButton(), &button);
    EXPECT_EQ(button.right - button.left, MulDiv(75, 144, 96));
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(FilesPage().AddButton(), WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -MulDiv(11, 144, 96));
}

// Real folders with characters outside any code page; the chooser is answered as it comes up.
TEST_F(MainFormTest, BrowseTakesTheChosenUnicodeFolderAndReopensWhereItWasLeft) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring root = std::wstring(temp) + L"vantrel picker \u03A9\u2713";
    const std::wstring first = root + L"\\first", second = root + L"\\second \u0416";
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(first.c_str(), nullptr);
    CreateDirectoryW(second.c_str(), nullptr);
    // The folder holding both was changed since it was last read, a day ago, as a user's folders
    // often are: the next read of it moves its last-access time while the chooser is looking.
    HANDLE dir = CreateFileW(root.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(dir, INVALID_HANDLE_VALUE);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER dayAgo = {{now.dwLowDateTime, now.dwHighDateTime}};
    dayAgo.QuadPart -= 24ull * 3600 * 10000000;
    const FILETIME lastRead = {dayAgo.LowPart, dayAgo.HighPart};
    EXPECT_TRUE(SetFileTime(dir, nullptr, &lastRead, nullptr));
    CloseHandle(dir);
    ASSERT_TRUE(SetCurrentDirectoryW(first.c_str()));
    Build();

    std::vector<std::wstring> shownAt;
    std::wstring select;
    UINT answer = IDOK;
    test::WatchForDialog(L"Select folder", [&](HWND dialog) {
        shownAt.push_back(form->FolderForm()->ShownFolder());
        if (!select.empty()) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(select.c_str()));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    });
    Click(FoldersPage().TntButton3());
    EXPECT_EQ(ui::GetText(FoldersPage().DestinationEdit()), first);
    EXPECT_EQ(Folders().size(), 1u);  // nothing is added until "&Add"

    select = second;
    answer = IDCANCEL;
    Click(FoldersPage().TntButton3());
    EXPECT_EQ(ui::GetText(FoldersPage().DestinationEdit()), first);  // Cancel takes nothing

    select.clear();
    answer = IDOK;
    Click(FoldersPage().TntButton3());
    EXPECT_EQ(ui::GetText(FoldersPage().DestinationEdit()), second);
    EXPECT_EQ(shownAt, (std::vector<std::wstring>{first, first, second}));
    test::StopWatchingDialogs();
    SetCurrentDirectoryW(temp);
}

}  // namespace
}  // namespace vantrel

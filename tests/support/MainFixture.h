// The main window built hidden and driven through its controls' messages, pumped through the
// application's loop with the window's message filter, as the program runs it. The World says
// where it runs: RealWorld is the Wine prefix's real platform (settings file, log and registry
// are the prefix's own, each test starting from the defaults); a fake world installs the fake
// platform and reads its files. A World has SetUp(), Read(path), SettingsFile(options) and
// LogFile(options) (options may be null), and kQueued (clicks go through the queue rather than
// straight to the control's parent).
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "FileBytes.h"
#include "RecordingShell.h"
#include "app/Main.h"
#include "platform/Text.h"
#include "platform/UniqueHandle.h"
#include "settings/Options.h"
#include "settings/SettingsFile.h"
#include "ui/Application.h"
#include "ui/Controls.h"

namespace vantrel::test {

inline std::wstring LocalAppData() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

inline bool FileThere(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The prefix's real platform; each test starts without a settings file, a log or a journal.
struct RealWorld {
    static constexpr bool kQueued = true;
    std::wstring dataFolder;
    void SetUp() {
        dataFolder = LocalAppData() + L"\\Vantrel\\";
        DeleteFileW((dataFolder + L"Settings.xml").c_str());
        DeleteFileW((dataFolder + L"Log.txt").c_str());
        DeleteFileW((dataFolder + L"Journal.txt").c_str());
    }
    std::string Read(const std::wstring& path) const { return FileBytes(path); }
    std::wstring SettingsFile(const TOptions*) const { return dataFolder + L"Settings.xml"; }
    std::wstring LogFile(const TOptions*) const { return dataFolder + L"Log.txt"; }
};

template <class World>
class MainFixture : public ::testing::Test {
  protected:
    void SetUp() override { world.SetUp(); }
    void TearDown() override {
        ui::TApplication::Instance().SetMessageFilter({});
        form.reset();
        options.reset();
        // The window's end asked the loop to quit; the next test's loop must not see that.
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    void MakeOptions() { options = std::make_unique<TOptions>(); }
    // The settings object first (it reads or writes the settings file), then the window, whose
    // filter sees every message the loop takes from the queue.
    void Build() {
        if (!options) MakeOptions();
        form = std::make_unique<TMainForm>(*options, shell, MainFormArgs{false, false});
        ui::TApplication::Instance().SetMessageFilter(
            [this](MSG& msg, bool& handled) { form->ApplicationHotKeyEventsMessage(msg, handled); });
    }

    // --- the pages ---
    TFilesPage& FilesPage() { return form->FilesPage(); }
    TFoldersPage& FoldersPage() { return form->FoldersPage(); }
    TMiscPage& MiscPage() { return form->MiscPage(); }
    ui::TAction& Action(const wchar_t* name) { return *form->MainActionList.Find(name); }

    // --- input ---
    // Runs the queued messages through the application's loop.
    void Pump() { ui::TApplication::Instance().ProcessMessages(); }
    void PumpFor(DWORD ms) {
        const DWORD start = GetTickCount();
        do {
            Pump();
            Sleep(10);
        } while (GetTickCount() - start < ms);
    }
    // A hotkey as the system posts it: the id in wParam, modifiers and key in lParam.
    void Hotkey(WPARAM id, UINT modifiers, UINT key) {
        PostMessageW(form->Handle(), WM_HOTKEY, id, MAKELPARAM(modifiers, key));
        Pump();
    }
    // A menu entry chosen: WM_COMMAND with its id, no control.
    void Choose(UINT id) {
        PostMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        Pump();
    }
    // A click as the control reports it to its parent.
    void Click(HWND control) {
        const WPARAM wParam = MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED);
        if constexpr (World::kQueued) {
            PostMessageW(GetParent(control), WM_COMMAND, wParam, reinterpret_cast<LPARAM>(control));
            Pump();
        } else {
            SendMessageW(GetParent(control), WM_COMMAND, wParam, reinterpret_cast<LPARAM>(control));
        }
    }
    // A click on a check box: its state changes, then the window hears of it.
    void Toggle(HWND box) {
        ui::SetChecked(box, !ui::IsChecked(box));
        Click(box);
    }
    void Type(HWND edit, const std::wstring& text) { ui::SetText(edit, text); }
    bool Enabled(HWND control) { return IsWindowEnabled(control) != FALSE; }
    bool Shown() { return IsWindowVisible(form->Handle()) != FALSE; }

    // --- the folder list ---
    StringList Folders() {
        StringList folders;
        ui::TFolderList& tree = FoldersPage().FolderTree();
        for (size_t i = 0; i < tree.Count(); ++i)
            folders.push_back(tree.Node(i).Folder);
        return folders;
    }
    // Ends an in-place edit of a node as the list view reports it.
    void EditNode(int index, const std::wstring& text) {
        std::wstring buffer = text;
        NMLVDISPINFOW info = {};
        info.hdr.code = LVN_ENDLABELEDITW;
        info.item.iItem = index;
        info.item.pszText = buffer.data();
        NotifyFromTree(info.hdr);
    }
    // A click on a node's radio button.
    void ClickRadio(int index) {
        RECT r = {};
        ListView_GetItemRect(FoldersPage().FolderTree().Handle(), index, &r, LVIR_BOUNDS);
        NMITEMACTIVATE act = {};
        act.hdr.code = NM_CLICK;
        act.iItem = index;
        act.ptAction = {r.left + 4, (r.top + r.bottom) / 2};
        NotifyFromTree(act.hdr);
    }
    void NotifyFromTree(NMHDR& header) {
        HWND tree = FoldersPage().FolderTree().Handle();
        header.hwndFrom = tree;
        header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(tree));
        SendMessageW(GetParent(tree), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    }

    // --- files ---
    std::wstring SettingsFile() { return world.SettingsFile(options.get()); }
    std::string SettingsBytes() { return world.Read(SettingsFile()); }
    Settings SavedSettings() { return SettingsFromBytes(SettingsBytes(), L"unused"); }
    std::wstring LogText() { return FromUtf16Le(world.Read(world.LogFile(options.get()))); }

    World world;
    RecordingShell shell;  // outlives the window
    std::unique_ptr<TOptions> options;
    std::unique_ptr<TMainForm> form;
};

using RealForm = MainFixture<RealWorld>;

}  // namespace vantrel::test

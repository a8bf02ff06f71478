// The real main window on the real platform of the Wine prefix: the settings file, the log and
// the registry are the prefix's own. Each test starts from the defaults (no settings file, no
// log) and drives the window through its messages, pumped through the application's loop with
// the window's message filter, as the program runs it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "app/Main.h"
#include "platform/Text.h"
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

inline std::string FileBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

inline bool FileThere(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class RealForm : public ::testing::Test {
  protected:
    void SetUp() override {
        dataFolder = LocalAppData() + L"\\Vantrel\\";
        DeleteFileW((dataFolder + L"Settings.xml").c_str());
        DeleteFileW((dataFolder + L"Log.txt").c_str());
    }
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
        form = std::make_unique<TMainForm>(*options, MainFormArgs{false, false});
        ui::TApplication::Instance().SetMessageFilter(
            [this](MSG& msg, bool& handled) { form->ApplicationHotKeyEventsMessage(msg, handled); });
    }

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
    void Click(HWND control) {
        PostMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
        Pump();
    }
    void Toggle(HWND box) {
        ui::SetChecked(box, !ui::IsChecked(box));
        Click(box);
    }
    bool Shown() { return IsWindowVisible(form->Handle()) != FALSE; }

    std::wstring SettingsFile() { return dataFolder + L"Settings.xml"; }
    std::string SettingsBytes() { return FileBytes(SettingsFile()); }
    Settings SavedSettings() { return SettingsFromBytes(SettingsBytes(), L"unused"); }
    std::wstring LogText() { return FromUtf16Le(FileBytes(dataFolder + L"Log.txt")); }

    std::wstring dataFolder;
    std::unique_ptr<TOptions> options;
    std::unique_ptr<TMainForm> form;
};

}  // namespace vantrel::test

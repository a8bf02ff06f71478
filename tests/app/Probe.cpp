// A small Windows program the end-to-end tests use to look at and drive a running
// Desktop Vantrel: find its windows, post its hotkeys and commands, answer its message box.
//   probe wait-main SECONDS          the main window exists; prints "shown" or "hidden"
//   probe wait-gone SECONDS          the main window is gone
//   probe hotkey KEY                 posts WM_HOTKEY with Ctrl+Alt+Shift and KEY (H, X or I)
//   probe command ID                 posts WM_COMMAND with the command id
//   probe endsession                 sends WM_QUERYENDSESSION, then WM_ENDSESSION(TRUE)
//   probe answer-box CAPTION SECONDS finds the message box, prints its text, presses OK
//   probe hold NAME SECONDS          creates NAME on the desktop and holds it open without sharing
//   probe checked TEXT               prints 1 or 0: the main window's check box TEXT is ticked
#include <windows.h>
// Needs windows.h first.
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

HWND MainWindow() {
    return FindWindowW(L"TMainForm", L"Desktop Vantrel");
}

template <typename Pred>
bool WaitFor(double seconds, Pred pred) {
    DWORD until = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        if (pred()) return true;
        if (static_cast<LONG>(GetTickCount() - until) >= 0) return false;
        Sleep(100);
    }
}

struct BoxSearch {
    DWORD self;
    std::wstring caption;
    HWND found = nullptr;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<BoxSearch*>(param);
    wchar_t cls[64] = {}, text[256] = {};
    GetClassNameW(hwnd, cls, 64);
    GetWindowTextW(hwnd, text, 256);
    if (wcscmp(cls, L"#32770") == 0 && s->caption == text) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK PrintStatic(HWND hwnd, LPARAM) {
    wchar_t cls[64] = {}, text[512] = {};
    GetClassNameW(hwnd, cls, 64);
    if (_wcsicmp(cls, L"Static") == 0 && GetWindowTextW(hwnd, text, 512) > 0) {
        char utf8[1024] = {};
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
        std::printf("%s\n", utf8);
    }
    return TRUE;
}

struct ControlSearch {
    std::wstring text;
    HWND found = nullptr;
};

BOOL CALLBACK FindControl(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<ControlSearch*>(param);
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    if (s->text == text) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    std::wstring cmd = argv[1];
    double seconds = argc > 2 ? _wtof(argv[argc - 1]) : 10;
    if (cmd == L"wait-main") {
        HWND w = nullptr;
        if (!WaitFor(seconds, [&] { return (w = MainWindow()) != nullptr; })) return 1;
        std::printf("%s\n", IsWindowVisible(w) ? "shown" : "hidden");
        return 0;
    }
    if (cmd == L"wait-gone") return WaitFor(seconds, [] { return MainWindow() == nullptr; }) ? 0 : 1;
    HWND main = MainWindow();
    if (cmd == L"hotkey" && argc > 2) {
        if (!main) return 1;
        return PostMessageW(main, WM_HOTKEY, 0, MAKELPARAM(MOD_ALT | MOD_CONTROL | MOD_SHIFT, argv[2][0])) ? 0 : 1;
    }
    if (cmd == L"command" && argc > 2) {
        if (!main) return 1;
        return PostMessageW(main, WM_COMMAND, MAKEWPARAM(_wtoi(argv[2]), 0), 0) ? 0 : 1;
    }
    if (cmd == L"endsession") {
        if (!main) return 1;
        SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
        SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
        return 0;
    }
    if (cmd == L"hold" && argc > 3) {
        // As an editor holds a file while saving it: nobody else may open, move or delete it.
        wchar_t desktop[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop))) return 1;
        std::wstring path = std::wstring(desktop) + L"\\" + argv[2];
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 1;
        const char content[] = "held by the probe";
        DWORD written = 0;
        WriteFile(file, content, sizeof content - 1, &written, nullptr);
        Sleep(static_cast<DWORD>(seconds * 1000));
        CloseHandle(file);
        return 0;
    }
    if (cmd == L"checked" && argc > 2) {
        if (!main) return 1;
        ControlSearch s{argv[2]};
        EnumChildWindows(main, FindControl, reinterpret_cast<LPARAM>(&s));
        if (!s.found) return 1;
        std::printf("%d\n", SendMessageW(s.found, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
        return 0;
    }
    if (cmd == L"answer-box" && argc > 2) {
        BoxSearch s{GetCurrentProcessId(), argv[2]};
        if (!WaitFor(seconds, [&] {
                EnumWindows(FindBox, reinterpret_cast<LPARAM>(&s));
                return s.found != nullptr;
            }))
            return 1;
        EnumChildWindows(s.found, PrintStatic, 0);
        std::fflush(stdout);
        PostMessageW(s.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return 0;
    }
    return 2;
}

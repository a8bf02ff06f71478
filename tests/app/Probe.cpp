// A small Windows program the end-to-end tests use to look at and drive a running
// Desktop Vantrel: find its windows, post its hotkeys and commands, answer its message box.
//   probe wait-main SECONDS          the main window exists; prints "shown" or "hidden"
//   probe wait-gone SECONDS          the main window is gone
//   probe hotkey KEY                 posts WM_HOTKEY with Ctrl+Alt+Shift and KEY (H, X or I)
//   probe command CAPTION            runs the command whose caption is CAPTION ("&Exit"): a click on
//                                    the main window's button or check box with that caption, else
//                                    the entry of the tray icon's menu with the caption's access key
//   probe endsession                 sends WM_QUERYENDSESSION, then WM_ENDSESSION(TRUE)
//   probe answer-box CAPTION SECONDS [yes|no]
//                                    finds the message box, prints its text, presses OK (or Yes, No)
//   probe hold NAME SECONDS          creates NAME on the desktop and holds it open without sharing
//   probe write-slowly NAME SECONDS BYTES
//                                    creates NAME on the desktop, sharing it for reading, writing and
//                                    deleting, and writes BYTES bytes over SECONDS seconds in small
//                                    pieces; byte i is i % 251
//   probe checked TEXT               prints 1 or 0: the main window's check box TEXT is ticked
//   probe tray-hints SECONDS         stands in for the taskbar for SECONDS: prints "taskbar ready",
//                                    then every hint a tray icon is given, a line each
//   probe click-ms CAPTION SECONDS   clicks the main window's button CAPTION and prints how long the
//                                    click took, then how long the window took at most to answer
//                                    over the next SECONDS ("click N ms, longest wait N ms")
//   probe memo-shows TEXT SECONDS    the log memo holds TEXT and shows its end in view
//   probe search TEXT up|down        searches the log page for TEXT and prints the memo's line
//                                    holding the selection; fails when nothing is selected
#include <windows.h>
// Needs windows.h first.
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <functional>
#include <string>

#include "WaitFor.h"
#include "WindowText.h"

namespace {

HWND MainWindow() {
    return FindWindowW(L"TMainForm", L"Desktop Vantrel");
}

using vantrel::test::AccessKey;
using vantrel::test::Text;

bool WaitFor(double seconds, const std::function<bool()>& condition) {
    return vantrel::test::WaitFor(condition, static_cast<uint32_t>(seconds * 1000), 100);
}

struct BoxSearch {
    DWORD self;
    std::wstring caption;
    HWND found = nullptr;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<BoxSearch*>(param);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (wcscmp(cls, L"#32770") == 0 && s->caption == Text(hwnd)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK PrintStatic(HWND hwnd, LPARAM) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    const std::wstring text = Text(hwnd);
    if (_wcsicmp(cls, L"Static") == 0 && !text.empty()) {
        char utf8[1024] = {};
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8, sizeof(utf8), nullptr, nullptr);
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
    if (s->text == Text(hwnd)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND Control(HWND main, const std::wstring& caption) {
    ControlSearch s{caption};
    EnumChildWindows(main, FindControl, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The open menu: Wine's (and Windows') popup menu window class.
HWND OpenMenu() {
    HWND menu = FindWindowW(L"#32768", nullptr);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

// Chooses an entry of the tray icon's menu as the user does: a right click on the icon, then the
// entry's access key. Under Wine, without a notification area on the display, the icons are
// windows of Wine's own tray window; their menus belong to the program, whose entries another
// process cannot read, so the entry is found by its key. The command is the program's own.
int ChooseFromTrayMenu(const std::wstring& caption) {
    const wchar_t key = AccessKey(caption);
    HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    HWND icon = tray ? FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr) : nullptr;
    // With a second icon there it could be another program's.
    if (!key || !icon || FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr)) return 1;
    PostMessageW(icon, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2));
    PostMessageW(icon, WM_RBUTTONUP, 0, MAKELPARAM(2, 2));
    HWND menu = nullptr;
    if (!WaitFor(5, [&] { return (menu = OpenMenu()) != nullptr; })) return 1;
    PostMessageW(menu, WM_CHAR, std::towlower(key), 0);
    if (WaitFor(5, [] { return OpenMenu() == nullptr; })) return 0;
    // No entry has that key: the menu stays open until it is cancelled.
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    return 1;
}

// The taskbar, as far as the tray icons' hints go. Under Wine, Shell_NotifyIconW looks for the
// taskbar as the first top-level window of class "Shell_TrayWnd" and sends it WM_COPYDATA: dwData
// is the NIM_ message, lpData Wine's own packed copy of the icon's data, in which the tip
// (WCHAR[128], filled when uFlags has NIF_TIP) follows hWnd, uID, uFlags and uCallbackMessage,
// four 32-bit fields. A topmost window of that class, made after Wine's own tray window, is found
// first: it stands in for the taskbar, so a test sees the hint the program gives its icon. While it
// is there, Wine's own tray hears nothing of the icons.
constexpr size_t kNotifyFlagsOffset = 8;
constexpr size_t kNotifyTipOffset = 16;
constexpr size_t kNotifyTipChars = 128;

LRESULT CALLBACK TaskbarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_COPYDATA) return DefWindowProcW(hwnd, msg, wParam, lParam);
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    const bool addOrModify = copy->dwData == NIM_ADD || copy->dwData == NIM_MODIFY;
    if (addOrModify && copy->lpData && copy->cbData >= kNotifyTipOffset + kNotifyTipChars * sizeof(wchar_t)) {
        const auto* data = static_cast<const char*>(copy->lpData);
        UINT flags = 0;
        std::memcpy(&flags, data + kNotifyFlagsOffset, sizeof flags);
        if (flags & NIF_TIP) {
            wchar_t tip[kNotifyTipChars + 1] = {};
            std::memcpy(tip, data + kNotifyTipOffset, kNotifyTipChars * sizeof(wchar_t));
            // One line a hint, whatever it holds.
            for (wchar_t& c : tip)
                if (c != 0 && c < L' ') c = L' ';
            char utf8[kNotifyTipChars * 3 + 1] = {};
            WideCharToMultiByte(CP_UTF8, 0, tip, -1, utf8, sizeof utf8, nullptr, nullptr);
            std::printf("%s\n", utf8);
            std::fflush(stdout);
        }
    }
    // Taken, as the taskbar takes it.
    return TRUE;
}

// Stands in for the taskbar for SECONDS, printing the hints it is given. "taskbar ready" comes
// first, once the window is there to be found.
int ListenAsTaskbar(double seconds) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW cls = {};
    cls.lpfnWndProc = TaskbarProc;
    cls.hInstance = instance;
    cls.lpszClassName = L"Shell_TrayWnd";
    if (!RegisterClassW(&cls)) return 1;
    HWND taskbar = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, cls.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0,
                                   nullptr, nullptr, instance, nullptr);
    if (!taskbar) return 1;
    std::printf("taskbar ready\n");
    std::fflush(stdout);
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    DestroyWindow(taskbar);
    return 0;
}

// Another process's text, through the message (GetWindowTextW does not ask other processes).
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                        &got);
    text.resize(got);
    return text;
}

// The log page's memo: the main window's multi-line edit with a scroll bar.
BOOL CALLBACK FindMemo(HWND hwnd, LPARAM param) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    if (_wcsicmp(cls, L"Edit") != 0 || !(style & ES_MULTILINE) || !(style & WS_VSCROLL)) return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

HWND Memo(HWND main) {
    HWND memo = nullptr;
    EnumChildWindows(main, FindMemo, reinterpret_cast<LPARAM>(&memo));
    return memo;
}

// Sends a click to CAPTION's parent and returns the milliseconds until it was handled; -1 when
// there is no such control or the window did not answer within 30 s.
long long SendClick(HWND main, const std::wstring& caption) {
    HWND control = Control(main, caption);
    if (!control) return -1;
    const ULONGLONG start = GetTickCount64();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                             reinterpret_cast<LPARAM>(control), SMTO_NORMAL, 30000, &result))
        return -1;
    return static_cast<long long>(GetTickCount64() - start);
}

int ClickTime(HWND main, const std::wstring& caption, double seconds) {
    const long long click = SendClick(main, caption);
    if (click < 0) return 1;
    ULONGLONG longest = 0;
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    while (GetTickCount64() < end) {
        const ULONGLONG start = GetTickCount64();
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result)) return 1;
        if (GetTickCount64() - start > longest) longest = GetTickCount64() - start;
        Sleep(20);
    }
    std::printf("click %lld ms, longest wait %llu ms\n", click, longest);
    return 0;
}

// Whether the memo holds text and the character ending it lies in the memo's view.
bool MemoShows(HWND memo, const std::wstring& text) {
    const size_t at = TextOf(memo).find(text);
    if (at == std::wstring::npos || text.empty()) return false;
    DWORD_PTR pos = 0;
    SendMessageTimeoutW(memo, EM_POSFROMCHAR, at + text.size() - 1, 0, SMTO_ABORTIFHUNG, 5000, &pos);
    RECT client = {};
    GetClientRect(memo, &client);
    const int y = static_cast<short>(HIWORD(pos));
    return pos != static_cast<DWORD_PTR>(-1) && y >= 0 && y < client.bottom;
}

int Search(HWND main, const std::wstring& text, bool up) {
    HWND memo = Memo(main);
    HWND edit = memo ? FindWindowExW(GetParent(memo), nullptr, L"Edit", nullptr) : nullptr;
    if (edit == memo) edit = FindWindowExW(GetParent(memo), memo, L"Edit", nullptr);
    HWND upRadio = Control(main, L"&Up"), downRadio = Control(main, L"&Down");
    if (!edit || !upRadio || !downRadio) return 1;
    vantrel::test::SetText(edit, text);
    SendMessageW(upRadio, BM_SETCHECK, up ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(downRadio, BM_SETCHECK, up ? BST_UNCHECKED : BST_CHECKED, 0);
    if (SendClick(main, L"Sea&rch log") < 0) return 1;
    // The memo holds a stretch of the log, well under 64 Ki characters: the packed answer does.
    const DWORD_PTR selection = SendMessageW(memo, EM_GETSEL, 0, 0);
    const size_t from = LOWORD(selection), to = HIWORD(selection);
    const std::wstring shown = TextOf(memo);
    if (to <= from || to > shown.size()) return 1;
    const size_t begin = shown.rfind(L'\n', from), end = shown.find(L'\r', from);
    const std::wstring line = shown.substr(begin == std::wstring::npos ? 0 : begin + 1,
                                           end == std::wstring::npos ? std::wstring::npos : end - (begin + 1));
    char utf8[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
    std::printf("%s\n", utf8);
    return 0;
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
        // A click: the control's parent hears of it as WM_COMMAND with the control's id.
        if (HWND control = Control(main, argv[2]))
            return PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                                reinterpret_cast<LPARAM>(control))
                       ? 0
                       : 1;
        return ChooseFromTrayMenu(argv[2]);
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
    if (cmd == L"write-slowly" && argc > 4) {
        // As a download or a recorder saves a file: open for a while, growing piece by piece, and
        // shared so fully that even a deletion is allowed meanwhile.
        wchar_t desktop[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop))) return 1;
        std::wstring path = std::wstring(desktop) + L"\\" + argv[2];
        const double duration = _wtof(argv[3]);
        const unsigned long long total = _wcstoui64(argv[4], nullptr, 10);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 1;
        // A piece is not a multiple of 251: a piece written twice or left out shows in the bytes.
        constexpr DWORD kPiece = 64 * 1024;
        const unsigned long long pieces = (total + kPiece - 1) / kPiece;
        const DWORD pause = pieces > 1 ? static_cast<DWORD>(duration * 1000 / static_cast<double>(pieces - 1)) : 0;
        std::string piece(kPiece, '\0');
        bool ok = true;
        for (unsigned long long at = 0; ok && at < total; at += kPiece) {
            const DWORD size = static_cast<DWORD>(total - at < kPiece ? total - at : kPiece);
            for (DWORD i = 0; i < size; ++i)
                piece[i] = static_cast<char>((at + i) % 251);
            DWORD written = 0;
            ok = WriteFile(file, piece.data(), size, &written, nullptr) && written == size;
            if (ok && at + kPiece < total) Sleep(pause);
        }
        CloseHandle(file);
        return ok ? 0 : 1;
    }
    if (cmd == L"checked" && argc > 2) {
        if (!main) return 1;
        HWND box = Control(main, argv[2]);
        if (!box) return 1;
        std::printf("%d\n", SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
        return 0;
    }
    if (cmd == L"tray-hints" && argc > 2) return ListenAsTaskbar(seconds);
    if (cmd == L"click-ms" && argc > 3) return main ? ClickTime(main, argv[2], seconds) : 1;
    if (cmd == L"memo-shows" && argc > 3) {
        HWND memo = main ? Memo(main) : nullptr;
        return memo && WaitFor(seconds, [&] { return MemoShows(memo, argv[2]); }) ? 0 : 1;
    }
    if (cmd == L"search" && argc > 3) return main ? Search(main, argv[2], std::wstring(argv[3]) == L"up") : 1;
    if (cmd == L"answer-box" && argc > 3) {
        BoxSearch s{GetCurrentProcessId(), argv[2]};
        const std::wstring button = argc > 4 ? argv[4] : L"ok";
        const WPARAM id = button == L"yes" ? IDYES : button == L"no" ? IDNO : IDOK;
        if (!WaitFor(_wtof(argv[3]), [&] {
                EnumWindows(FindBox, reinterpret_cast<LPARAM>(&s));
                return s.found != nullptr;
            }))
            return 1;
        EnumChildWindows(s.found, PrintStatic, 0);
        std::fflush(stdout);
        PostMessageW(s.found, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        return 0;
    }
    return 2;
}

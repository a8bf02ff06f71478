// The "Quick Note" dialog, driven through its window messages as a user (or a screen reader)
// would: it runs on a thread of its own, as on a batch thread, and the test finds it by its
// class and title, reads its controls and closes it.
#include <windows.h>

#include <gtest/gtest.h>

#include "NoteWindows.h"
#include "WaitFor.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "app/NoteForm.h"
#include "ui/Dpi.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

constexpr const wchar_t* kPath = L"C:\\users\\me\\Documents\\Vantrel\\report.doc.txt";

// One ShowNoteForm call on a thread of its own, as a move batch makes it.
class NoteRun {
  public:
    NoteRun(std::wstring fileName, bool enabled) {
        std::promise<DWORD> threadId;
        auto idReady = threadId.get_future();
        thread_ = std::thread([this, fileName, enabled, p = std::move(threadId)]() mutable {
            p.set_value(GetCurrentThreadId());
            answer_.set_value(ShowNoteForm(fileName, enabled));
        });
        threadId_ = idReady.get();
        result_ = answer_.get_future();
    }
    NoteRun(const NoteRun&) = delete;
    NoteRun& operator=(const NoteRun&) = delete;
    ~NoteRun() {
        // A failed test must not leave the dialog, and so the thread, hanging.
        if (result_.valid() && result_.wait_for(0s) != std::future_status::ready) {
            if (HWND dlg = FindOnThread()) PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        }
        thread_.join();
    }

    // The visible "Quick Note" dialog of this run's thread; nullptr when none shows within 10 s.
    HWND Dialog() {
        HWND dlg = nullptr;
        test::WaitFor(
            [&] {
                dlg = FindOnThread();
                return dlg && IsWindowVisible(dlg);
            },
            10000);
        return dlg && IsWindowVisible(dlg) ? dlg : nullptr;
    }

    bool Finished(std::chrono::milliseconds wait) { return result_.wait_for(wait) == std::future_status::ready; }
    NoteAnswer Answer() {
        EXPECT_TRUE(Finished(10s)) << "the dialog did not close";
        return result_.get();
    }

  private:
    HWND FindOnThread() const {
        HWND found = nullptr;
        EnumThreadWindows(threadId_, FindNoteDialog, reinterpret_cast<LPARAM>(&found));
        return found;
    }
    static BOOL CALLBACK FindNoteDialog(HWND w, LPARAM out) {
        wchar_t cls[64] = {};
        wchar_t title[64] = {};
        GetClassNameW(w, cls, 64);
        GetWindowTextW(w, title, 64);
        if (std::wstring(cls) == kNoteWindowClass && std::wstring(title) == L"Quick Note") {
            *reinterpret_cast<HWND*>(out) = w;
            return FALSE;
        }
        return TRUE;
    }

    std::promise<NoteAnswer> answer_;
    std::future<NoteAnswer> result_;
    std::thread thread_;
    DWORD threadId_ = 0;
};

using test::Children;
using test::ClassOf;
using test::Click;
using test::FileNameBox;
using test::Memo;
using test::SetText;
using test::Text;

HWND ChildWithText(HWND dlg, const std::wstring& text) {
    for (HWND w : Children(dlg))
        if (Text(w) == text) return w;
    return nullptr;
}

// The control's rectangle in the dialog's client coordinates.
RECT ClientRectOf(HWND dlg, HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The client area, the controls' places and sizes, the centring and the font, all for dpi.
void ExpectLayout(HWND dlg, UINT dpi) {
    auto px = [dpi](int v) { return MulDiv(v, static_cast<int>(dpi), 96); };
    RECT client{};
    GetClientRect(dlg, &client);
    EXPECT_EQ(client.right, px(344));
    EXPECT_EQ(client.bottom, px(225));

    // Centred on the desktop (within rounding).
    RECT desktop{}, window{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dlg, &window);
    EXPECT_NEAR(window.left + window.right, desktop.left + desktop.right, 2);
    EXPECT_NEAR(window.top + window.bottom, desktop.top + desktop.bottom, 2);

    HWND memo = Memo(dlg);
    HWND fileName = FileNameBox(dlg);
    struct Expected {
        HWND control;
        int left, top, width, height;
        bool label = false;  // may grow wider to fit its text in a stand-in font
    };
    const Expected places[] = {
        {ChildWithText(dlg, L"File name:"), 3, 8, 49, 13, true},
        {ChildWithText(dlg, L"Description:"), 3, 35, 57, 13, true},
        {memo, 3, 54, 340, 140},
        {fileName, 55, 8, 285, 21},
        {GetDlgItem(dlg, 1), 40, 200, 75, 25},
        {GetDlgItem(dlg, 2), 121, 200, 96, 25},
        {GetDlgItem(dlg, 3), 223, 200, 75, 25},
    };
    for (const Expected& e : places) {
        ASSERT_NE(e.control, nullptr);
        const RECT r = ClientRectOf(dlg, e.control);
        EXPECT_EQ(r.left, px(e.left)) << Text(e.control);
        EXPECT_EQ(r.top, px(e.top));
        if (e.label)
            EXPECT_GE(r.right - r.left, px(e.width)) << Text(e.control);
        else
            EXPECT_EQ(r.right - r.left, px(e.width)) << Text(e.control);
        EXPECT_EQ(r.bottom - r.top, px(e.height));
    }

    // Tahoma 8 pt on every control.
    for (HWND control : Children(dlg)) {
        LOGFONTW font{};
        ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font));
        EXPECT_STREQ(font.lfFaceName, L"Tahoma") << Text(control);
        EXPECT_EQ(font.lfHeight, -MulDiv(8, static_cast<int>(dpi), 72)) << Text(control);
    }
}

TEST(NoteForm, ShowsItsControlsWithTheirTextsPlacesAndTabOrder) {
    NoteRun run(kPath, true);
    HWND dlg = run.Dialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(FindWindowW(kNoteWindowClass, L"Quick Note"), dlg);

    // A fixed dialog border: a dialog frame and a caption, no sizing frame, no owner.
    const auto style = GetWindowLongPtrW(dlg, GWL_STYLE);
    const auto exStyle = GetWindowLongPtrW(dlg, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), nullptr);

    ExpectLayout(dlg, ui::WindowDpi(dlg));

    HWND memo = Memo(dlg);
    HWND fileName = FileNameBox(dlg);
    ASSERT_NE(memo, nullptr);
    ASSERT_NE(fileName, nullptr);
    EXPECT_EQ(Text(memo), L"[Description here]");
    EXPECT_EQ(Text(fileName), kPath);
    EXPECT_TRUE(IsWindowEnabled(fileName));
    EXPECT_TRUE(GetWindowLongPtrW(memo, GWL_STYLE) & ES_WANTRETURN);

    EXPECT_EQ(ClassOf(ChildWithText(dlg, L"File name:")), L"Static");
    EXPECT_EQ(ClassOf(ChildWithText(dlg, L"Description:")), L"Static");

    EXPECT_EQ(Text(GetDlgItem(dlg, 1)), L"&OK");
    EXPECT_EQ(Text(GetDlgItem(dlg, 2)), L"&Don't save note");
    EXPECT_EQ(Text(GetDlgItem(dlg, 3)), L"&Abort");
    EXPECT_EQ(GetWindowLongPtrW(GetDlgItem(dlg, 1), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
    EXPECT_EQ(SendMessageW(dlg, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));

    // The note has the focus first; the tab order runs memo, file name, OK, don't save, abort.
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &gui));
    EXPECT_EQ(gui.hwndFocus, memo);
    EXPECT_EQ(GetNextDlgTabItem(dlg, memo, FALSE), fileName);
    EXPECT_EQ(GetNextDlgTabItem(dlg, fileName, FALSE), GetDlgItem(dlg, 1));
    EXPECT_EQ(GetNextDlgTabItem(dlg, GetDlgItem(dlg, 1), FALSE), GetDlgItem(dlg, 2));
    EXPECT_EQ(GetNextDlgTabItem(dlg, GetDlgItem(dlg, 2), FALSE), GetDlgItem(dlg, 3));
    EXPECT_EQ(GetNextDlgTabItem(dlg, GetDlgItem(dlg, 3), FALSE), memo);

    SetText(memo, L"Paid.");
    Click(dlg, IDOK);
    const NoteAnswer answer = run.Answer();
    EXPECT_EQ(answer.ModalResult, kNoteOk);
    EXPECT_EQ(answer.FileName, kPath);
    EXPECT_EQ(answer.Text, L"Paid.");
}

TEST(NoteForm, ScalesForTheMonitorDpi) {
    // The toolkit's DPI override stands in for a 150 % monitor.
    ASSERT_TRUE(SetEnvironmentVariableW(L"VANTREL_DPI", L"144"));
    NoteRun run(kPath, true);
    HWND dlg = run.Dialog();
    SetEnvironmentVariableW(L"VANTREL_DPI", nullptr);
    ASSERT_NE(dlg, nullptr);
    ExpectLayout(dlg, 144);
    Click(dlg, IDCANCEL);
    EXPECT_EQ(run.Answer().ModalResult, kNoteSkip);
}

TEST(NoteForm, FileNameGreyedWhenNotesAreNotSavedAndUnchangedNoteIsKept) {
    NoteRun run(kPath, false);
    HWND dlg = run.Dialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(IsWindowEnabled(FileNameBox(dlg)));
    EXPECT_EQ(Text(FileNameBox(dlg)), kPath);
    // A disabled box is no tab stop.
    EXPECT_EQ(GetNextDlgTabItem(dlg, Memo(dlg), FALSE), GetDlgItem(dlg, 1));

    PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    const NoteAnswer answer = run.Answer();
    EXPECT_EQ(answer.ModalResult, kNoteOk);
    EXPECT_EQ(answer.FileName, kPath);
    EXPECT_EQ(answer.Text, L"[Description here]");
}

TEST(NoteForm, ReturnsTheEditedPathAndTheLinesAsTheControlHoldsThem) {
    NoteRun run(kPath, true);
    HWND dlg = run.Dialog();
    ASSERT_NE(dlg, nullptr);
    SetText(FileNameBox(dlg), L"D:\\notes\\invoice.txt");
    SetText(Memo(dlg), L"first line\r\nsecond line\r\n\r\nlast");
    Click(dlg, IDOK);
    const NoteAnswer answer = run.Answer();
    EXPECT_EQ(answer.ModalResult, kNoteOk);
    EXPECT_EQ(answer.FileName, L"D:\\notes\\invoice.txt");
    EXPECT_EQ(answer.Text, L"first line\r\nsecond line\r\n\r\nlast");
}

TEST(NoteForm, ALongPastedNoteIsKeptWhole) {
    NoteRun run(kPath, true);
    HWND dlg = run.Dialog();
    ASSERT_NE(dlg, nullptr);
    // A paste goes through the edit control's text limit, unlike setting the window text.
    std::wstring pasted;
    for (int i = 0; pasted.size() < 100000; ++i)
        pasted += L"line " + std::to_wstring(i) + L"\r\n";
    SendMessageW(Memo(dlg), EM_SETSEL, 0, -1);
    SendMessageW(Memo(dlg), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pasted.c_str()));
    Click(dlg, IDOK);
    const NoteAnswer answer = run.Answer();
    EXPECT_EQ(answer.Text.size(), pasted.size());
    EXPECT_EQ(answer.Text, pasted);
}

// The control with the keyboard focus on the form's thread, once it is `expected` (10 s at most).
HWND FocusOn(HWND dlg, HWND expected) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    test::WaitFor(
        [&] { return GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &gui) && gui.hwndFocus == expected; },
        10000);
    return gui.hwndFocus;
}

// The memo's selection as (start, end).
std::pair<DWORD, DWORD> Selection(HWND memo) {
    DWORD start = 0, end = 0;
    SendMessageW(memo, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

TEST(NoteForm, TheNoteStartsSelectedAndTabMovesOnInTabOrder) {
    NoteRun run(kPath, true);
    HWND dlg = run.Dialog();
    ASSERT_NE(dlg, nullptr);
    HWND memo = Memo(dlg);
    ASSERT_EQ(FocusOn(dlg, memo), memo);
    // Typing replaces the placeholder: the whole note is selected when the form opens.
    EXPECT_EQ(Selection(memo), std::make_pair(DWORD{0}, DWORD{18}));

    // Tab leaves the note (it takes no tabs) for the file name, and that for OK.
    PostMessageW(memo, WM_KEYDOWN, VK_TAB, 0x000F0001);
    EXPECT_EQ(FocusOn(dlg, FileNameBox(dlg)), FileNameBox(dlg));
    PostMessageW(FileNameBox(dlg), WM_KEYDOWN, VK_TAB, 0x000F0001);
    EXPECT_EQ(FocusOn(dlg, GetDlgItem(dlg, IDOK)), GetDlgItem(dlg, IDOK));
    EXPECT_FALSE(run.Finished(0ms));

    Click(dlg, IDCANCEL);
    const NoteAnswer answer = run.Answer();
    EXPECT_EQ(answer.ModalResult, kNoteSkip);
    EXPECT_EQ(answer.FileName, kPath);
}

TEST(NoteForm, EnterInTheNoteStartsANewLineAndElsewherePressesOK) {
    NoteRun run(kPath, true);
    HWND dlg = run.Dialog();
    ASSERT_NE(dlg, nullptr);
    HWND memo = Memo(dlg);
    SetText(memo, L"Paid.");
    SendMessageW(memo, EM_SETSEL, 5, 5);
    PostMessageW(memo, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(memo, WM_KEYUP, VK_RETURN, 0xC01C0001);
    // The Enter has been handled once the note has its new line, or the form has closed.
    EXPECT_TRUE(test::WaitFor([&] { return run.Finished(0ms) || Text(memo) == L"Paid.\r\n"; }, 10000));
    EXPECT_FALSE(run.Finished(0ms)) << "Enter in the note closed the dialog";

    PostMessageW(FileNameBox(dlg), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    const NoteAnswer answer = run.Answer();
    EXPECT_EQ(answer.ModalResult, kNoteOk);
    EXPECT_EQ(answer.Text, L"Paid.\r\n");
}

TEST(NoteForm, DontSaveEscapeAndTheCloseBoxGiveResultTwo) {
    {
        NoteRun run(kPath, true);
        HWND dlg = run.Dialog();
        ASSERT_NE(dlg, nullptr);
        Click(dlg, IDCANCEL);
        EXPECT_EQ(run.Answer().ModalResult, kNoteSkip);
    }
    for (bool toMemo : {true, false}) {
        NoteRun run(kPath, true);
        HWND dlg = run.Dialog();
        ASSERT_NE(dlg, nullptr);
        // Escape goes to the focused note, or to a button: the form sees it first either way.
        HWND target = toMemo ? Memo(dlg) : GetDlgItem(dlg, IDABORT);
        PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        const NoteAnswer answer = run.Answer();
        EXPECT_EQ(answer.ModalResult, kNoteSkip) << (toMemo ? "Escape in the note" : "Escape on Abort");
        EXPECT_EQ(answer.Text, L"[Description here]");
    }
    {
        NoteRun run(kPath, true);
        HWND dlg = run.Dialog();
        ASSERT_NE(dlg, nullptr);
        PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(run.Answer().ModalResult, kNoteSkip);
    }
    {
        NoteRun run(kPath, true);
        HWND dlg = run.Dialog();
        ASSERT_NE(dlg, nullptr);
        PostMessageW(dlg, WM_CLOSE, 0, 0);
        EXPECT_EQ(run.Answer().ModalResult, kNoteSkip);
    }
}

TEST(NoteForm, AbortGivesResultThree) {
    NoteRun run(kPath, true);
    HWND dlg = run.Dialog();
    ASSERT_NE(dlg, nullptr);
    SetText(Memo(dlg), L"never mind");
    Click(dlg, IDABORT);
    const NoteAnswer answer = run.Answer();
    EXPECT_EQ(answer.ModalResult, kNoteAbort);
    EXPECT_EQ(answer.Text, L"never mind");
}

TEST(NoteForm, CtrlASelectsTheWholeNote) {
    NoteRun run(kPath, true);
    HWND dlg = run.Dialog();
    ASSERT_NE(dlg, nullptr);
    HWND memo = Memo(dlg);
    SetText(memo, L"select me");
    SendMessageW(memo, EM_SETSEL, 3, 3);

    // Share the dialog thread's input state so that Ctrl counts as held down there.
    const DWORD dialogThread = GetWindowThreadProcessId(dlg, nullptr);
    ASSERT_TRUE(AttachThreadInput(GetCurrentThreadId(), dialogThread, TRUE));
    BYTE keys[256] = {};
    ASSERT_TRUE(GetKeyboardState(keys));
    keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
    ASSERT_TRUE(SetKeyboardState(keys));
    PostMessageW(memo, WM_KEYDOWN, 'A', 0x001E0001);
    // Ctrl stays down until the form has taken the key.
    const bool selected = test::WaitFor([&] { return Selection(memo) == std::make_pair(DWORD{0}, DWORD{9}); }, 10000);
    keys[VK_CONTROL] = keys[VK_LCONTROL] = 0;
    SetKeyboardState(keys);
    AttachThreadInput(GetCurrentThreadId(), dialogThread, FALSE);

    EXPECT_TRUE(selected) << "the whole note was not selected";
    EXPECT_EQ(Text(memo), L"select me") << "Ctrl+A typed into the note";
    Click(dlg, IDCANCEL);
    EXPECT_EQ(run.Answer().ModalResult, kNoteSkip);
}

TEST(NoteForm, TwoDialogsOnTwoThreadsAreOpenAtOnceAndCloseIndependently) {
    // A window of the test's own thread stands for the main window: no note dialog disables it.
    HWND mainWindow = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(mainWindow, nullptr);

    // The second dialog is made once the first is up: Wine's text shaping can crash when two
    // threads create edit controls in the same instant.
    NoteRun first(L"C:\\target\\first.txt", true);
    HWND one = first.Dialog();
    NoteRun second(L"C:\\target\\second.txt", true);
    HWND two = second.Dialog();
    ASSERT_NE(one, nullptr);
    ASSERT_NE(two, nullptr);
    EXPECT_NE(one, two);
    EXPECT_EQ(Text(FileNameBox(one)), L"C:\\target\\first.txt");
    EXPECT_EQ(Text(FileNameBox(two)), L"C:\\target\\second.txt");
    EXPECT_TRUE(IsWindowEnabled(one));
    EXPECT_TRUE(IsWindowEnabled(two));
    EXPECT_TRUE(IsWindowEnabled(mainWindow));

    // The second closes first; the first stays open and usable.
    SetText(Memo(two), L"second note");
    Click(two, IDABORT);
    const NoteAnswer secondAnswer = second.Answer();
    EXPECT_EQ(secondAnswer.ModalResult, kNoteAbort);
    EXPECT_EQ(secondAnswer.Text, L"second note");
    EXPECT_FALSE(first.Finished(0ms));
    EXPECT_TRUE(IsWindowVisible(one));
    EXPECT_TRUE(IsWindowEnabled(one));
    EXPECT_TRUE(IsWindowEnabled(mainWindow));

    SetText(Memo(one), L"first note");
    Click(one, IDOK);
    const NoteAnswer firstAnswer = first.Answer();
    EXPECT_EQ(firstAnswer.ModalResult, kNoteOk);
    EXPECT_EQ(firstAnswer.FileName, L"C:\\target\\first.txt");
    EXPECT_EQ(firstAnswer.Text, L"first note");
    DestroyWindow(mainWindow);
}

// The picture of a window's client area, 24 bits a pixel, bottom row first. The frame is left out:
// without a window manager (Xvfb) nobody draws it.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> bits;  // rows of Stride() bytes

    int Stride() const { return (width * 3 + 3) / 4 * 4; }
    COLORREF At(int x, int y) const {
        const unsigned char* p = bits.data() + static_cast<size_t>(height - 1 - y) * Stride() + x * 3;
        return RGB(p[2], p[1], p[0]);
    }
    // How many pixels of the rectangle have the colour.
    int Count(const RECT& r, COLORREF colour) const {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                count += At(x, y) == colour;
        return count;
    }
};

int Area(const RECT& r) {
    return (r.right - r.left) * (r.bottom - r.top);
}

// What the window shows now; an empty picture when nothing could be captured.
Picture Capture(HWND window) {
    Picture picture;
    RECT r{};
    GetClientRect(window, &r);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = r.right;
    info.bmiHeader.biHeight = r.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        HDC windowDc = GetDC(window);
        if (BitBlt(memory, 0, 0, r.right, r.bottom, windowDc, 0, 0, SRCCOPY)) {
            GdiFlush();
            picture.width = r.right;
            picture.height = r.bottom;
            const auto* begin = static_cast<const unsigned char*>(bits);
            picture.bits.assign(begin, begin + static_cast<size_t>(picture.Stride()) * picture.height);
        }
        ReleaseDC(window, windowDc);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

// Writes the picture as a 24-bit .bmp file.
bool SaveBitmap(const Picture& picture, const std::wstring& path) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = picture.width;
    header.biHeight = picture.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(picture.bits.size());
    FILE* out = _wfopen(path.c_str(), L"wb");
    const bool ok = out && fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&header, sizeof header, 1, out) == 1 &&
                    fwrite(picture.bits.data(), picture.bits.size(), 1, out) == 1;
    if (out) fclose(out);
    return ok;
}

// The form as it is drawn: the face between the note and the buttons, the note white with its
// text in it, the OK button with its label. Kept as an artefact for a person to look at:
// note-dialog.bmp beside the test program.
TEST(NoteForm, IsDrawnWithItsNoteAndButtons) {
    NoteRun run(L"C:\\users\\me\\Documents\\Vantrel\\report.doc.txt", true);
    HWND dlg = run.Dialog();
    ASSERT_NE(dlg, nullptr);
    SetText(Memo(dlg), L"Paid.\r\nInvoice 2026-117, by bank transfer.");
    SetWindowPos(dlg, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    // Inside the note's sunken edge; the band of face between the note and the buttons.
    RECT note = ClientRectOf(dlg, Memo(dlg));
    InflateRect(&note, -4, -4);
    const RECT ok = ClientRectOf(dlg, GetDlgItem(dlg, IDOK));
    RECT client{};
    GetClientRect(dlg, &client);
    const RECT band{0, ClientRectOf(dlg, Memo(dlg)).bottom, client.right, ok.top};
    ASSERT_GT(Area(band), 0);
    const COLORREF face = GetSysColor(COLOR_BTNFACE), paper = GetSysColor(COLOR_WINDOW);

    Picture picture;
    auto drawn = [&] {
        picture = Capture(dlg);
        if (picture.width != client.right || picture.height != client.bottom) return false;
        const int white = picture.Count(note, paper);
        return picture.Count(band, face) == Area(band) && white >= Area(note) * 8 / 10 && white < Area(note) - 50 &&
               picture.Count(ok, face) < Area(ok) - 20;
    };
    const bool asDrawn = test::WaitFor(drawn, 10000, 100);

    EXPECT_EQ(picture.width, client.right);
    EXPECT_EQ(picture.height, client.bottom);
    if (picture.width == client.right && picture.height == client.bottom) {
        EXPECT_EQ(picture.Count(band, face), Area(band)) << "the face between the note and the buttons";
        const int white = picture.Count(note, paper);
        EXPECT_GE(white, Area(note) * 8 / 10) << "the note's paper";
        EXPECT_LT(white, Area(note) - 50) << "the note's text";
        EXPECT_LT(picture.Count(ok, face), Area(ok) - 20) << "the OK button's edge and label";
    }
    EXPECT_TRUE(asDrawn);

    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"note-dialog.bmp";
    EXPECT_TRUE(SaveBitmap(picture, path));
    Click(dlg, IDCANCEL);
    EXPECT_EQ(run.Answer().ModalResult, kNoteSkip);
}

}  // namespace
}  // namespace vantrel

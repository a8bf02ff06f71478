// Takes screenshots of the main window's three pages and of the About box, as a person sees
// them on the display (under Xvfb in the tests), and writes them as BMP files.
//   vantrel_screens OUTDIR SUFFIX       e.g. vantrel_screens out 100  ->  out/files-100.bmp ...
// The window shows made-up settings on the fake platform; VANTREL_DPI sets the scale.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/About.h"
#include "app/Main.h"
#include "fakes/FakePlatform.h"
#include "settings/Options.h"
#include "support/RecordingShell.h"
#include "ui/Application.h"
#include "ui/Controls.h"

namespace {

using namespace vantrel;

std::wstring outDir, suffix;

void Settle(int ms) {
    DWORD until = GetTickCount() + static_cast<DWORD>(ms);
    while (static_cast<LONG>(GetTickCount() - until) < 0) {
        ui::TApplication::Instance().ProcessMessages();
        Sleep(20);
    }
}

// The window's client area as it is on the screen, written as a 24-bit BMP. The frame is left out:
// under Xvfb no window manager draws one, and Wine's own is not what a user's desktop shows.
bool Capture(HWND hwnd, const std::wstring& name) {
    RECT r;
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);

    BITMAPINFOHEADER bi = {sizeof(bi), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    int stride = (w * 3 + 3) & ~3;
    std::string pixels(static_cast<size_t>(stride) * h, '\0');
    GetDIBits(mem, bitmap, 0, static_cast<UINT>(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER bf = {};
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof(bf) + sizeof(bi);
    bf.bfSize = bf.bfOffBits + static_cast<DWORD>(pixels.size());
    bi.biSizeImage = static_cast<DWORD>(pixels.size());
    std::wstring path = outDir + L"\\" + name + L"-" + suffix + L".bmp";
    FILE* f = nullptr;
    if (_wfopen_s(&f, path.c_str(), L"wb") != 0 || !f) return false;
    fwrite(&bf, sizeof(bf), 1, f);
    fwrite(&bi, sizeof(bi), 1, f);
    fwrite(pixels.data(), 1, pixels.size(), f);
    fclose(f);
    return true;
}

bool aboutCaptured = false;
TMainForm* shownForm = nullptr;  // the window whose About box is captured

void CALLBACK CaptureAbout(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    TAboutForm* about = shownForm ? shownForm->AboutForm() : nullptr;
    if (!about) return;
    Settle(400);
    aboutCaptured = Capture(about->Handle(), L"about");
    about->Close();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    outDir = argv[1];
    suffix = argv[2];
    INITCOMMONCONTROLSEX icc = {sizeof(icc),
                                ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);

    fake::FakeOs os;
    os->specialFolders[SpecialFolder::LocalAppData] = L"C:\\Users\\Anna\\AppData\\Local";
    os->specialFolders[SpecialFolder::DesktopDirectory] = L"C:\\Users\\Anna\\Desktop";
    os->specialFolders[SpecialFolder::Documents] = L"C:\\Users\\Anna\\Documents";
    for (const wchar_t* folder :
         {L"C:\\Users\\Anna\\AppData\\Local", L"C:\\Users\\Anna\\Desktop", L"C:\\Users\\Anna\\Documents"})
        os->AddDirectory(folder);
    TOptions options;
    options.SetAlternateFolders({L"D:\\Archive\\2026\\", L"D:\\Projects\\Inbox\\", L"E:\\Photos\\Unsorted\\"});
    options.SetTryToMove(true);
    options.SetTryCount(3);
    options.SetMoveFolder(true);
    options.SetQuickNote(true);

    int failures = 0;
    {
        test::RecordingShell shell;
        TMainForm form(options, shell, MainFormArgs{false, false});
        shownForm = &form;
        ui::TApplication::Instance().Title = kAppTitle;
        ui::SetText(form.FilesPage().AddExtensionEdit(), L"*.tmp");
        ui::SetText(form.FilesPage().AddExcludedFileEdit(), L"New Folder.*");
        form.FoldersPage().FolderTree().SetSelected(1, true);
        ui::SetText(form.MiscPage().LogMemo(),
                    L"09.12.2026 10:00:00 -> Log started by: Anna\r\n09.12.2026 10:02:13 -> >> Operation report for 1 "
                    L"files <<\r\nFile: report.doc moved\r\n");
        ShowWindow(form.Handle(), SW_SHOW);
        SetForegroundWindow(form.Handle());
        const wchar_t* names[] = {L"files", L"folders", L"miscellaneous"};
        for (int page = 0; page < 3; ++page) {
            form.SelectPage(page);
            RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            Settle(600);
            if (!Capture(form.Handle(), names[page])) ++failures;
        }
        SetTimer(nullptr, 0, 300, CaptureAbout);
        form.MainActionList.Execute(kAboutAction);
        if (!aboutCaptured) ++failures;
        shownForm = nullptr;
    }
    std::printf("%d screenshots failed\n", failures);
    return failures == 0 ? 0 : 1;
}

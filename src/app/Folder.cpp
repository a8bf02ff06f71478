#include "app/Folder.h"

#include <objbase.h>
#include <shlobj.h>

#include "platform/UniqueHandle.h"
#include "ui/Window.h"

namespace vantrel {

namespace {

struct pidl_traits {
    using pointer = PIDLIST_ABSOLUTE;
    static pointer invalid() noexcept { return nullptr; }
    static bool is_valid(pointer p) noexcept { return p != nullptr; }
    static void close(pointer p) noexcept { CoTaskMemFree(p); }
};
using unique_pidl = unique_any<pidl_traits>;

// COM on this thread for as long as the chooser is up, when it was not on already.
class TComApartment {
  public:
    TComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~TComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;

  private:
    HRESULT result_;
};

std::wstring PathOf(PCIDLIST_ABSOLUTE pidl) {
    // Long enough for long paths; the shell writes at most this many characters.
    std::wstring path(32768, L'\0');
    if (!pidl || !SHGetPathFromIDListEx(pidl, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT)) return {};
    path.resize(wcslen(path.c_str()));
    return path;
}

std::wstring CurrentFolder() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring path(n, L'\0');
    n = GetCurrentDirectoryW(n, path.data());
    path.resize(n);
    return path;
}

// Wine's chooser finds the folder to select by comparing the parsed path byte for byte with its
// tree's items, and both hold each folder's last-access time. Parsing reads the folders on the
// way, which moves that time for a folder changed since it was last read, so the tree, filled
// after the parse, no longer matches and the chooser stays at the desktop. One parse beforehand
// lets those times settle.
void SettleAccessTimes(const std::wstring& folder) {
    unique_pidl pidl;
    SHParseDisplayName(folder.c_str(), nullptr, pidl.put(), 0, nullptr);
}

// In the middle of the main window when it is shown, else of the screen.
void CenterOnOwner(HWND dialog, HWND owner) {
    RECT d, o;
    GetWindowRect(dialog, &d);
    if (owner && IsWindowVisible(owner)) {
        GetWindowRect(owner, &o);
    } else {
        o = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    int w = d.right - d.left, h = d.bottom - d.top;
    SetWindowPos(dialog, nullptr, o.left + (o.right - o.left - w) / 2, o.top + (o.bottom - o.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

TFolderForm::TFolderForm(HWND owner) : owner_(owner), shown_(CurrentFolder()) {}

TFolderForm::~TFolderForm() = default;

int CALLBACK TFolderForm::Callback(HWND dialog, UINT msg, LPARAM lParam, LPARAM data) {
    auto* self = reinterpret_cast<TFolderForm*>(data);
    switch (msg) {
        case BFFM_INITIALIZED:
            SetWindowTextW(dialog, L"Select folder");
            CenterOnOwner(dialog, self->owner_);
            if (!self->shown_.empty()) {
                SettleAccessTimes(self->shown_);
                SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(self->shown_.c_str()));
            }
            break;
        case BFFM_SELCHANGED: {
            std::wstring path = PathOf(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam));
            if (!path.empty()) self->shown_ = path;  // reopened here, whether OK or Cancel closes it
            break;
        }
        default:
            break;
    }
    return 0;
}

int TFolderForm::ShowModal() {
    TComApartment com;
    BROWSEINFOW bi = {};
    bi.hwndOwner = owner_;
    bi.lpszTitle = L"Select folder";
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    bi.lpfn = Callback;
    bi.lParam = reinterpret_cast<LPARAM>(this);
    unique_pidl pidl(SHBrowseForFolderW(&bi));
    if (!pidl) return ui::kModalCancel;
    std::wstring path = PathOf(pidl.get());
    if (path.empty()) return ui::kModalCancel;
    directory_ = path;
    shown_ = path;
    return ui::kModalOk;
}

}  // namespace vantrel

#include "ui/CommonControls.h"

namespace vantrel::ui {

namespace {

// The library, loaded on the first call and kept for the life of the process.
HMODULE Library() {
    static HMODULE library = LoadLibraryW(L"comctl32.dll");
    return library;
}

// A function of the library by its name, as the type it has; null when it cannot be had.
template <typename Function>
Function Find(const char* name) {
    HMODULE library = Library();
    if (!library) return nullptr;
    // Through a pointer to a function without parameters, which any function pointer may be cast to and from.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

}  // namespace

bool InitCommonControls(DWORD classes) {
    using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    static const Init init = Find<Init>("InitCommonControlsEx");
    if (!init) return false;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), classes};
    return init(&icc) != FALSE;
}

HIMAGELIST CreateImageList(int cx, int cy, UINT flags, int initial, int grow) {
    using Create = HIMAGELIST(WINAPI*)(int, int, UINT, int, int);
    static const Create create = Find<Create>("ImageList_Create");
    return create ? create(cx, cy, flags, initial, grow) : nullptr;
}

int AddMaskedImage(HIMAGELIST list, HBITMAP image, COLORREF mask) {
    using Add = int(WINAPI*)(HIMAGELIST, HBITMAP, COLORREF);
    static const Add add = Find<Add>("ImageList_AddMasked");
    return add ? add(list, image, mask) : -1;
}

void DestroyImageList(HIMAGELIST list) noexcept {
    using Destroy = BOOL(WINAPI*)(HIMAGELIST);
    // A list exists only once the library is loaded: this finds it loaded.
    static const Destroy destroy = Find<Destroy>("ImageList_Destroy");
    if (destroy && list) destroy(list);
}

}  // namespace vantrel::ui

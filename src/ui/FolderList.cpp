#include "ui/FolderList.h"

#include <commctrl.h>

#include <utility>

#include "ui/CommonControls.h"
#include "ui/Dpi.h"

namespace vantrel::ui {

namespace {

constexpr UINT kUnchecked = 1;  // state image indexes: 1 = radio off, 2 = radio on
constexpr UINT kChecked = 2;

// One radio mark, a ring, with its dot when checked, on the window colour.
unique_hgdiobj DrawRadioMark(HDC screen, HDC dc, int size, UINT dpi, bool checked, HGDIOBJ ring, HGDIOBJ dot) {
    unique_hgdiobj bitmap(CreateCompatibleBitmap(screen, size, size));
    TSelectObject useBitmap(dc, bitmap.get());
    RECT all = {0, 0, size, size};
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    int a = Scale(3, dpi), b = size - Scale(2, dpi);
    TSelectObject usePen(dc, ring);
    TSelectObject useBrush(dc, GetSysColorBrush(COLOR_WINDOW));
    Ellipse(dc, a, a, b, b);
    if (checked) {
        int c = Scale(6, dpi), d = size - Scale(5, dpi);
        TSelectObject noPen(dc, GetStockObject(NULL_PEN));
        TSelectObject useDot(dc, dot);
        Ellipse(dc, c, c, d + 1, d + 1);
    }
    return bitmap;
}

// Two radio marks, a ring and a ring with its dot, drawn at the list's DPI.
unique_himagelist CreateRadioMarks(UINT dpi) {
    int size = Scale(16, dpi);
    unique_himagelist list(CreateImageList(size, size, ILC_COLOR32 | ILC_MASK, 2, 0));
    TWindowDC screen(nullptr);
    unique_hdc dc(CreateCompatibleDC(screen.get()));
    unique_hgdiobj ring(CreatePen(PS_SOLID, Scale(1, dpi), GetSysColor(COLOR_BTNSHADOW)));
    unique_hgdiobj dot(CreateSolidBrush(GetSysColor(COLOR_WINDOWTEXT)));
    for (bool checked : {false, true}) {
        // The bitmap is out of the DC before the list copies it.
        unique_hgdiobj bitmap = DrawRadioMark(screen.get(), dc.get(), size, dpi, checked, ring.get(), dot.get());
        AddMaskedImage(list.get(), static_cast<HBITMAP>(bitmap.get()), GetSysColor(COLOR_WINDOW));
    }
    return list;
}

}  // namespace

bool TFolderList::Create(HWND parent, UINT id, UINT dpi) {
    if (!CreateControl(
            parent, WC_LISTVIEWW, L"",
            kTabStop | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS | LVS_EDITLABELS | LVS_SHAREIMAGELISTS, id,
            WS_EX_CLIENTEDGE))
        return false;
    ListView_SetExtendedListViewStyle(Handle(), LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    ListView_InsertColumn(Handle(), 0, &column);
    SetDpi(dpi);
    return true;
}

void TFolderList::SetDpi(UINT dpi) {
    // The list only borrows the marks (LVS_SHAREIMAGELISTS): this object destroys them, the old
    // ones once the list holds the new ones.
    unique_himagelist marks = CreateRadioMarks(dpi);
    ListView_SetImageList(Handle(), marks.get(), LVSIL_STATE);
    marks_ = std::move(marks);
}

void TFolderList::Resized() {
    RECT rc;
    GetClientRect(Handle(), &rc);
    ListView_SetColumnWidth(Handle(), 0, rc.right - rc.left);
}

void TFolderList::InsertItem(size_t index) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.iItem = static_cast<int>(index);
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(nodes_[index].Checked ? kChecked : kUnchecked);
    ListView_InsertItem(Handle(), &item);
}

void TFolderList::ShowCheck(size_t index) {
    ListView_SetItemState(Handle(), static_cast<int>(index),
                          INDEXTOSTATEIMAGEMASK(nodes_[index].Checked ? kChecked : kUnchecked), LVIS_STATEIMAGEMASK);
}

void TFolderList::SetNodeCount(size_t count) {
    for (size_t i = 0; i < count; ++i) {
        nodes_.emplace_back();
        if (OnInitNode) OnInitNode(nodes_.size() - 1, nodes_.back());
        InsertItem(nodes_.size() - 1);
    }
}

void TFolderList::AddNode(const std::wstring& folder) {
    nodes_.push_back(TFolderNode{folder, false});
    InsertItem(nodes_.size() - 1);
    ListView_RedrawItems(Handle(), static_cast<int>(nodes_.size() - 1), static_cast<int>(nodes_.size() - 1));
}

void TFolderList::DeleteSelected() {
    for (size_t i = nodes_.size(); i-- > 0;) {
        if (!Selected(i)) continue;
        if (OnFreeNode) OnFreeNode(nodes_[i]);
        nodes_.erase(nodes_.begin() + static_cast<std::ptrdiff_t>(i));
        ListView_DeleteItem(Handle(), static_cast<int>(i));
    }
}

void TFolderList::SetChecked(size_t index, bool checked) {
    if (checked) {
        for (size_t i = 0; i < nodes_.size(); ++i) {
            if (i != index && nodes_[i].Checked) {
                nodes_[i].Checked = false;
                ShowCheck(i);
            }
        }
    }
    nodes_.at(index).Checked = checked;
    ShowCheck(index);
}

int TFolderList::CheckedIndex() const {
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].Checked) return static_cast<int>(i);
    return -1;
}

bool TFolderList::Selected(size_t index) const {
    return ListView_GetItemState(Handle(), static_cast<int>(index), LVIS_SELECTED) & LVIS_SELECTED;
}

void TFolderList::SetSelected(size_t index, bool selected) {
    ListView_SetItemState(Handle(), static_cast<int>(index), selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

size_t TFolderList::SelectedCount() const {
    return static_cast<size_t>(ListView_GetSelectedCount(Handle()));
}

int TFolderList::FirstSelected() const {
    return ListView_GetNextItem(Handle(), -1, LVNI_SELECTED);
}

void TFolderList::Repaint() {
    InvalidateRect(Handle(), nullptr, TRUE);
}

bool TFolderList::OnReflectedNotify(const NMHDR* header, LRESULT& result) {
    result = 0;
    switch (header->code) {
        case LVN_GETDISPINFOW: {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header));
            size_t index = static_cast<size_t>(info->item.iItem);
            if ((info->item.mask & LVIF_TEXT) && index < nodes_.size()) {
                textBuffer_ = OnGetText ? OnGetText(nodes_[index]) : nodes_[index].Folder;
                info->item.pszText = textBuffer_.data();
            }
            return true;
        }
        case NM_CLICK:
        case NM_DBLCLK: {
            auto* act = reinterpret_cast<const NMITEMACTIVATE*>(header);
            LVHITTESTINFO hit = {};
            hit.pt = act->ptAction;
            int index = ListView_HitTest(Handle(), &hit);
            if (index >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) SetChecked(static_cast<size_t>(index), true);
            return true;
        }
        case LVN_KEYDOWN: {
            auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
            int focused = ListView_GetNextItem(Handle(), -1, LVNI_FOCUSED);
            if (key->wVKey == VK_SPACE && focused >= 0) SetChecked(static_cast<size_t>(focused), true);
            if (key->wVKey == VK_F2 && focused >= 0) ListView_EditLabel(Handle(), focused);
            return true;
        }
        case LVN_BEGINLABELEDITW:
            result = FALSE;  // allow
            return true;
        case LVN_ENDLABELEDITW: {
            auto* info = reinterpret_cast<const NMLVDISPINFOW*>(header);
            size_t index = static_cast<size_t>(info->item.iItem);
            if (info->item.pszText && index < nodes_.size() && OnNewText) OnNewText(index, info->item.pszText);
            // The node's own folder is shown again, changed or not.
            ListView_RedrawItems(Handle(), info->item.iItem, info->item.iItem);
            result = FALSE;
            return true;
        }
        default:
            return false;
    }
}

}  // namespace vantrel::ui

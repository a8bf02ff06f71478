// A one-level list of folders with a radio-button check mark per node: several nodes can be
// selected, a node's text can be edited in place, and at most one node is checked (checking one
// unchecks the others). Built on a report-mode list view without header whose texts come from
// the nodes on demand.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/Gdi.h"

namespace vantrel::ui {

struct TFolderNode {
    std::wstring Folder;
    bool Checked = false;
};

class TFolderList : public TWindow {
  public:
    bool Create(HWND parent, UINT id, UINT dpi);
    void SetDpi(UINT dpi);  // redraws the radio marks at this size
    void Resized();         // the one column follows the width

    // Adds count nodes; each is filled once by OnInitNode(position, node) before anything sees it.
    void SetNodeCount(size_t count);
    // Appends a node, unchecked, and repaints it.
    void AddNode(const std::wstring& folder);
    void DeleteSelected();

    size_t Count() const { return nodes_.size(); }
    TFolderNode& Node(size_t index) { return nodes_.at(index); }
    const TFolderNode& Node(size_t index) const { return nodes_.at(index); }
    // Checking a node unchecks every other one.
    void SetChecked(size_t index, bool checked);
    int CheckedIndex() const;  // -1 when none is checked
    bool Selected(size_t index) const;
    void SetSelected(size_t index, bool selected);
    size_t SelectedCount() const;
    int FirstSelected() const;  // -1 when none
    void Repaint();

    // The node callbacks.
    std::function<void(size_t position, TFolderNode& node)> OnInitNode;
    std::function<std::wstring(const TFolderNode& node)> OnGetText;
    std::function<void(TFolderNode& node)> OnFreeNode;
    std::function<void(size_t index, const std::wstring& text)> OnNewText;

  protected:
    // The list view's own notifications.
    bool OnReflectedNotify(const NMHDR* header, LRESULT& result) override;

  private:
    void InsertItem(size_t index);
    void ShowCheck(size_t index);

    std::vector<TFolderNode> nodes_;
    std::wstring textBuffer_;  // keeps the text handed to the list view alive
    unique_himagelist marks_;
};

}  // namespace vantrel::ui

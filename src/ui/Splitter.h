// A vertical splitter bar between two side-by-side parts of a page: dragging it moves the
// border between them. It keeps the left part's share of the width, so resizing the window
// keeps the proportion.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/Window.h"

namespace vantrel::ui {

class TSplitter : public TWindow {
  public:
    // The bar as a child of parent with the given id.
    bool Create(HWND parent, UINT id);
    // Runs after each step of a drag.
    std::function<void()> onMoved;
    // The left part's share of the width, in thousandths (500 at start).
    int Share() const { return share_; }
    // Where the left part ends for a width, with both parts at least minPart wide.
    int Position(int width, int minPart) const;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    void Drag(LPARAM lParam);

    int share_ = 500;  // thousandths of the parent's width left of the bar
    bool dragging_ = false;
};

}  // namespace vantrel::ui

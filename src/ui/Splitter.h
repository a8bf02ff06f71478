// A vertical splitter bar between two side-by-side parts of a page: dragging it moves the
// border between them. It keeps the left part's share of the width, so resizing the window
// keeps the proportion.
#pragma once

#include <windows.h>

#include <functional>

namespace vantrel::ui {

// A splitter as a child of parent with the given id; onMoved runs after each step of a drag.
HWND CreateSplitter(HWND parent, UINT id, std::function<void()> onMoved);
// The left part's share of the width, in thousandths (500 at start).
int SplitterShare(HWND splitter);
// Where the left part ends for a width, with both parts at least minPart wide.
int SplitterPosition(HWND splitter, int width, int minPart);

}  // namespace vantrel::ui

#include "ui/TextWindow.h"

namespace vantrel {

namespace {

// Where the line holding `at` begins, but not more than `reach` characters back.
size_t LineStart(const std::wstring& text, size_t at, size_t reach) {
    if (at == 0) return 0;
    const size_t newline = text.rfind(L'\n', at - 1);
    const size_t start = newline == std::wstring::npos ? 0 : newline + 1;
    return at - start <= reach ? start : at;
}

// `end`, drawn back to just after the last line end past `start`, when there is one.
size_t LineEnd(const std::wstring& text, size_t start, size_t end) {
    if (end >= text.size()) return text.size();
    const size_t newline = text.rfind(L'\n', end - 1);
    return newline != std::wstring::npos && newline >= start ? newline + 1 : end;
}

}  // namespace

TextStretch StretchAtEnd(const std::wstring& text, size_t width) {
    if (text.size() <= width) return {0, text.size()};
    size_t start = text.size() - width;
    // Forward to the next line's start, unless that is the text's end.
    if (text[start - 1] != L'\n') {
        const size_t newline = text.find(L'\n', start);
        if (newline != std::wstring::npos && newline + 1 < text.size()) start = newline + 1;
    }
    return {start, text.size()};
}

TextStretch StretchFrom(const std::wstring& text, size_t from, size_t width) {
    const size_t start = LineStart(text, from < text.size() ? from : text.size(), width / 4);
    const size_t end = text.size() - start > width ? start + width : text.size();
    return {start, LineEnd(text, start, end)};
}

TextStretch StretchAround(const std::wstring& text, size_t at, size_t length, size_t width) {
    const size_t middle = at + length / 2;
    TextStretch stretch = StretchFrom(text, middle > width / 2 ? middle - width / 2 : 0, width);
    if (stretch.start > at) stretch.start = at;
    if (stretch.end < at + length) stretch.end = LineEnd(text, at + length, at + length + width / 4);
    return stretch;
}

}  // namespace vantrel

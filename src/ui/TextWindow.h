// Which stretch of a long text a memo shows: an edit control takes seconds for a log of megabytes,
// so the log page keeps the whole text and shows the memo a stretch of whole lines at a time.
// Portable: works on the text as a value, touches no window.
#pragma once

#include <cstddef>
#include <string>

namespace vantrel {

// [start, end) in the text's character units.
struct TextStretch {
    size_t start = 0;
    size_t end = 0;
    bool operator==(const TextStretch&) const = default;
};

// A stretch begins where a line begins and ends after a line's CR LF or at the text's end, and is
// at most `width` characters long, except where one line alone is longer: then it is cut there.

// The stretch that ends with the text.
TextStretch StretchAtEnd(const std::wstring& text, size_t width);

// The stretch that begins with the line holding `from`.
TextStretch StretchFrom(const std::wstring& text, size_t from, size_t width);

// A stretch that holds [at, at + length), with about as much before it as after.
TextStretch StretchAround(const std::wstring& text, size_t at, size_t length, size_t width);

}  // namespace vantrel

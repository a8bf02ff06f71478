// The log page's search: finds a text in the memo next to its current selection.
// Portable: works on the memo's text and selection as values, touches no window.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vantrel {

// Both return the offset of the match (its length is query's length), or nothing.
// Offsets are in the memo's own character units; a selection reaching past the text's end is
// cut at the end. Letter case is ignored both ways, as the platform's LowerCase sees it; an empty
// query finds nothing; neither wraps.

// The first occurrence that begins at or after the selection's end.
std::optional<size_t> FindDown(const std::wstring& text, size_t selStart, size_t selLength, const std::wstring& query);

// The last occurrence that ends at or before the selection's start.
std::optional<size_t> FindUp(const std::wstring& text, size_t selStart, size_t selLength, const std::wstring& query);

}  // namespace vantrel

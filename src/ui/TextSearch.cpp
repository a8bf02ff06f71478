#include "ui/TextSearch.h"

#include "platform/Platform.h"

namespace vantrel {

// Case is ignored through the system's lower-casing, which knows every script and keeps each code
// unit in its place, so an offset in the lower-cased text is the same offset in the memo.

std::optional<size_t> FindDown(const std::wstring& text, size_t selStart, size_t selLength, const std::wstring& query) {
    if (query.empty()) return std::nullopt;
    const size_t start = selStart < text.size() ? selStart : text.size();
    const size_t length = selLength < text.size() - start ? selLength : text.size() - start;
    const size_t from = start + length;
    const size_t found = Lowered(text).find(Lowered(query), from);
    if (found == std::wstring::npos) return std::nullopt;
    return found;
}

std::optional<size_t> FindUp(const std::wstring& text,
                             size_t selStart,
                             size_t /*selLength*/,
                             const std::wstring& query) {
    if (query.empty()) return std::nullopt;
    const size_t end = selStart < text.size() ? selStart : text.size();
    if (query.size() > end) return std::nullopt;
    // rfind at end - |query| takes the last match that lies wholly before the selection.
    const std::wstring region = Lowered(text.substr(0, end));
    const size_t found = region.rfind(Lowered(query), end - query.size());
    if (found == std::wstring::npos) return std::nullopt;
    return found;
}

}  // namespace vantrel

#include "ui/TextSearch.h"

#include "platform/Platform.h"

namespace vantrel {

// Case is ignored through the system's lower-casing, which knows every script and keeps each code
// unit in its place, so an offset in the lower-cased text is the same offset in the memo. A log
// may hold millions of characters: it is lowered a piece at a time, and only as far as the search
// goes, so a click never copies the whole of it.

namespace {

constexpr size_t kPiece = 1 << 16;

// text[from, to) lower-cased. Letters A to Z are lowered here, as every system lowers them; the
// platform is asked only for a piece that holds other characters.
std::wstring LoweredPiece(const std::wstring& text, size_t from, size_t to) {
    std::wstring piece(text, from, to - from);
    bool others = false;
    for (wchar_t& c : piece) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c + (L'a' - L'A'));
        else if (c >= 0x80)
            others = true;
    }
    if (others) Os().LowerCase(piece);
    return piece;
}

}  // namespace

std::optional<size_t> FindDown(const std::wstring& text, size_t selStart, size_t selLength, const std::wstring& query) {
    if (query.empty()) return std::nullopt;
    const size_t start = selStart < text.size() ? selStart : text.size();
    const size_t length = selLength < text.size() - start ? selLength : text.size() - start;
    const std::wstring wanted = Lowered(query);
    // Each piece reaches |query| - 1 past its share, so a match across two pieces is seen whole.
    for (size_t from = start + length; from + wanted.size() <= text.size(); from += kPiece) {
        const size_t to =
            text.size() - from > kPiece + wanted.size() - 1 ? from + kPiece + wanted.size() - 1 : text.size();
        const size_t found = LoweredPiece(text, from, to).find(wanted);
        if (found != std::wstring::npos) return from + found;
    }
    return std::nullopt;
}

std::optional<size_t> FindUp(const std::wstring& text,
                             size_t selStart,
                             size_t /*selLength*/,
                             const std::wstring& query) {
    if (query.empty()) return std::nullopt;
    const std::wstring wanted = Lowered(query);
    // Matches lie wholly in [from, to); the next piece back ends |query| - 1 into this one.
    size_t to = selStart < text.size() ? selStart : text.size();
    while (wanted.size() <= to) {
        const size_t from = to > kPiece + wanted.size() - 1 ? to - kPiece - (wanted.size() - 1) : 0;
        const size_t found = LoweredPiece(text, from, to).rfind(wanted);
        if (found != std::wstring::npos) return from + found;
        if (from == 0) break;
        to = from + wanted.size() - 1;
    }
    return std::nullopt;
}

}  // namespace vantrel

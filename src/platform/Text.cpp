#include "platform/Text.h"

namespace vantrel {

std::wstring IntToStr(int32_t value) {
    // Through int64 so that INT32_MIN negates safely.
    int64_t v = value;
    bool negative = v < 0;
    if (negative) v = -v;
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + v % 10));
        v /= 10;
    } while (v != 0);
    if (negative) digits.insert(digits.begin(), L'-');
    return digits;
}

std::wstring JoinLines(const StringList& lines) {
    std::wstring text;
    for (const auto& line : lines) {
        text += line;
        text += L"\r\n";
    }
    return text;
}

namespace {
void PutUnit(std::string& out, uint32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}
}  // namespace

std::string ToUtf16Le(const std::wstring& text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (wchar_t ch : text) {
        auto c = static_cast<uint32_t>(ch);
        if (c > 0xFFFF && c <= 0x10FFFF) {
            c -= 0x10000;
            PutUnit(out, 0xD800 + (c >> 10));
            PutUnit(out, 0xDC00 + (c & 0x3FF));
        } else {
            PutUnit(out, c & 0xFFFF);
        }
    }
    return out;
}

std::wstring FromUtf16Le(const std::string& bytes) {
    std::wstring out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t unit = static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8);
        if constexpr (sizeof(wchar_t) == 4) {
            // Join a surrogate pair into one code point where wchar_t can hold it.
            if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
                uint32_t low = static_cast<uint8_t>(bytes[i + 2]) | (static_cast<uint8_t>(bytes[i + 3]) << 8);
                if (low >= 0xDC00 && low < 0xE000) {
                    out.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
                    i += 2;
                    continue;
                }
            }
        }
        out.push_back(static_cast<wchar_t>(unit));
    }
    return out;
}

namespace {
// The code point of the valid UTF-8 sequence at text[i], or 0 when there is none; length tells
// how many bytes it took.
uint32_t Utf8At(const std::string& text, size_t i, size_t& length) {
    const auto lead = static_cast<uint8_t>(text[i]);
    // The sequence's length, the lead byte's bits and the least code point it may carry.
    struct Form {
        uint8_t first, last;
        size_t length;
        uint32_t bits, least;
    };
    static constexpr Form kForms[] = {
        {0xC2, 0xDF, 2, 0x1F, 0x80}, {0xE0, 0xEF, 3, 0x0F, 0x800}, {0xF0, 0xF4, 4, 0x07, 0x10000}};
    for (const Form& form : kForms) {
        if (lead < form.first || lead > form.last) continue;
        if (i + form.length > text.size()) return 0;
        uint32_t point = lead & form.bits;
        for (size_t k = 1; k < form.length; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) return 0;
            point = (point << 6) | (next & 0x3Fu);
        }
        if (point < form.least || point > 0x10FFFF || (point >= 0xD800 && point < 0xE000)) return 0;
        length = form.length;
        return point;
    }
    return 0;
}

}  // namespace

void AppendCodePoint(std::wstring& out, uint32_t point) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (point > 0xFFFF) {
            point -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (point >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (point & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(point));
}

std::wstring FromNarrow(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<uint8_t>(text[i]);
        size_t length = 1;
        uint32_t point = byte < 0x80 ? byte : Utf8At(text, i, length);
        if (point == 0) point = byte;  // not UTF-8 (or a NUL): the byte itself, as Latin-1
        AppendCodePoint(out, point);
        i += length;
    }
    return out;
}

std::wstring WithTrailingBackslash(std::wstring folder) {
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring AsciiLower(std::wstring text) {
    for (auto& ch : text)
        if (ch >= L'A' && ch <= L'Z') ch = static_cast<wchar_t>(ch - L'A' + L'a');
    return text;
}

}  // namespace vantrel

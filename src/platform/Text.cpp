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

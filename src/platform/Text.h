// Small text helpers shared by settings, log and engine. Portable: no OS calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// The program's Unicode string list: folders, masks, report lines.
using StringList = std::vector<std::wstring>;

// A signed 32-bit number in decimal ("-2147480000" for a tick count past 2^31).
std::wstring IntToStr(int32_t value);
// Tick counts and error codes are written as signed 32-bit numbers.
inline std::wstring SignedStr(uint32_t value) {
    return IntToStr(static_cast<int32_t>(value));
}

// Every line followed by CR LF.
std::wstring JoinLines(const StringList& lines);

// UTF-16 little-endian bytes of text (surrogate pairs where wchar_t is 32 bits wide).
std::string ToUtf16Le(const std::wstring& text);
// Text from UTF-16 little-endian bytes; an odd last byte is not part of the text.
std::wstring FromUtf16Le(const std::string& bytes);

// Appends one Unicode code point: a surrogate pair where wchar_t is 16 bits and it needs two.
void AppendCodePoint(std::wstring& out, uint32_t point);

// The program's wide text from the C++ runtime's narrow text (exception messages), read as UTF-8.
// A byte that does not begin a valid UTF-8 sequence (a stray continuation, an overlong form, an
// encoded surrogate, a cut-off sequence) stands for itself as one Latin-1 character, so text in
// another narrow code page still arrives whole, if not always as written.
std::wstring FromNarrow(const std::string& text);

// The folder with a backslash at its end: one is added unless it is there already; an empty
// folder becomes a lone backslash.
std::wstring WithTrailingBackslash(std::wstring folder);

// ASCII-only case folding (A-Z to a-z), for comparisons that must not depend on the locale.
std::wstring AsciiLower(std::wstring text);

}  // namespace vantrel

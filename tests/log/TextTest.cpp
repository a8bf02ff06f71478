// Narrow text from the C++ runtime becomes the program's wide text one way everywhere.
#include <gtest/gtest.h>

#include <string>

#include "platform/Text.h"

namespace vantrel::test {
namespace {

TEST(FromNarrow, ReadsUtf8AndKeepsEveryOtherByteAsLatin1) {
    EXPECT_EQ(FromNarrow(""), L"");
    EXPECT_EQ(FromNarrow("plain ASCII\r\n"), L"plain ASCII\r\n");
    // Two-, three- and four-byte sequences; the last one is a surrogate pair where wchar_t is 16 bits.
    EXPECT_EQ(FromNarrow("\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"), L"\u00E9t\u00E9 \u20AC \U0001F600");
    // Text in a narrow code page is no UTF-8: each byte stays one character, nothing is dropped.
    EXPECT_EQ(FromNarrow("caf\xE9 cr\xE8me"), L"caf\u00E9 cr\u00E8me");
    // A stray continuation, an overlong slash, an encoded surrogate, a code point past U+10FFFF and
    // a sequence cut off at the end: none is taken as UTF-8.
    EXPECT_EQ(FromNarrow("\x80"), L"\u0080");
    EXPECT_EQ(FromNarrow("\xC0\xAF"), L"\u00C0\u00AF");
    EXPECT_EQ(FromNarrow("\xED\xA0\x80"), L"\u00ED\u00A0\u0080");
    EXPECT_EQ(FromNarrow("\xF4\x90\x80\x80"), L"\u00F4\u0090\u0080\u0080");
    EXPECT_EQ(FromNarrow("ok \xE2\x82"), L"ok \u00E2\u0082");
    // A sequence broken by an ASCII byte: the lead byte alone falls back, the rest reads on.
    EXPECT_EQ(FromNarrow("\xE2"
                         "a\xC3\xA9"),
              L"\u00E2a\u00E9");
}

}  // namespace
}  // namespace vantrel::test

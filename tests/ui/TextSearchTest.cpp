#include "ui/TextSearch.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "fakes/FakePlatform.h"
#include "ui/TextWindow.h"

namespace vantrel {
namespace {

#ifndef _WIN32
// Natively the fake lower-cases; under Wine the search uses the system's own CharLowerBuffW.
class FakeEnvironment : public ::testing::Environment {
    void SetUp() override { SetPlatform(&os_); }
    void TearDown() override { SetPlatform(nullptr); }
    fake::FakePlatform os_;
};
[[maybe_unused]] const ::testing::Environment* const kFake = ::testing::AddGlobalTestEnvironment(new FakeEnvironment);
#endif

// A memo's selection as the log page keeps it between clicks.
struct Selection {
    size_t start = 0;
    size_t length = 0;
};

// One click of "Sea&rch log": a match moves the selection onto it, no match leaves it alone.
void Click(const std::wstring& text, Selection& sel, const std::wstring& query, bool down) {
    const std::optional<size_t> found =
        down ? FindDown(text, sel.start, sel.length, query) : FindUp(text, sel.start, sel.length, query);
    if (found) sel = {*found, query.size()};
}

const std::wstring kLog =
    L"09.12.2026 10:00:00 File: report.doc moved\r\n"
    L"09.12.2026 10:01:00 File: notes.txt moved\r\n"
    L"09.12.2026 10:02:00 File: plan.xls moved\r\n";

TEST(TextSearch, DownStepsThroughEachOccurrenceAndStopsAfterTheLast) {
    const size_t first = kLog.find(L"moved");
    const size_t second = kLog.find(L"moved", first + 1);
    const size_t third = kLog.find(L"moved", second + 1);
    ASSERT_NE(third, std::wstring::npos);

    Selection sel;  // caret at the start
    Click(kLog, sel, L"moved", true);
    EXPECT_EQ(sel.start, first);
    EXPECT_EQ(sel.length, 5u);
    Click(kLog, sel, L"moved", true);
    EXPECT_EQ(sel.start, second);
    Click(kLog, sel, L"moved", true);
    EXPECT_EQ(sel.start, third);
    Click(kLog, sel, L"moved", true);  // no wrap: the fourth click changes nothing
    EXPECT_EQ(sel.start, third);
    EXPECT_EQ(sel.length, 5u);
    EXPECT_FALSE(FindDown(kLog, third, 5, L"moved"));
}

TEST(TextSearch, UpWalksBackToAMatchAtOffsetZero) {
    const std::wstring text = L"abc x abc y abc";
    Selection sel{text.size(), 0};  // caret at the end
    Click(text, sel, L"abc", false);
    EXPECT_EQ(sel.start, 12u);
    EXPECT_EQ(sel.length, 3u);
    Click(text, sel, L"abc", false);
    EXPECT_EQ(sel.start, 6u);
    Click(text, sel, L"abc", false);
    EXPECT_EQ(sel.start, 0u);
    Click(text, sel, L"abc", false);  // no wrap
    EXPECT_EQ(sel.start, 0u);
    EXPECT_EQ(sel.length, 3u);
}

TEST(TextSearch, MatchesTouchingTheSelectionAreFound) {
    const std::wstring text = L"fooBARfoo";
    // "foo" ends exactly where the selection "BAR" begins: found upwards.
    EXPECT_EQ(FindUp(text, 3, 3, L"foo"), std::optional<size_t>(0));
    // "foo" begins exactly where the selection ends: found downwards.
    EXPECT_EQ(FindDown(text, 3, 3, L"foo"), std::optional<size_t>(6));
    // The selection itself is never found again, in either direction.
    EXPECT_FALSE(FindUp(text, 3, 3, L"bar"));
    EXPECT_FALSE(FindDown(text, 3, 3, L"bar"));
    // Nor is a match overlapping the selection's start from before it.
    EXPECT_FALSE(FindUp(text, 2, 4, L"foo"));
}

TEST(TextSearch, CaseIsIgnoredBothWays) {
    const std::wstring text = L"start Report middle report end";
    EXPECT_EQ(FindDown(text, 0, 0, L"REPORT"), std::optional<size_t>(6));
    EXPECT_EQ(FindDown(text, 6, 6, L"REPORT"), std::optional<size_t>(20));
    EXPECT_EQ(FindUp(text, text.size(), 0, L"rePORT"), std::optional<size_t>(20));
    const std::wstring capitals = L"LOG CLEARED BY: TESTER";
    Selection sel;
    Click(capitals, sel, L"cleared", true);
    EXPECT_EQ(sel.start, 4u);
    EXPECT_EQ(sel.length, 7u);  // as long as the search text
}

#ifdef _WIN32
TEST(TextSearch, CaseIsIgnoredInEveryScriptAsTheSystemLowerCases) {
    const std::wstring text = L"\u00e4pfel, \u043f\u0440\u0438\u0432\u0435\u0442, \u03b1\u03b2\u03b3";
    EXPECT_EQ(FindDown(text, 0, 0, L"\u00c4PFEL"), std::optional<size_t>(0));
    EXPECT_EQ(FindDown(text, 0, 0, L"\u041f\u0420\u0418\u0412\u0415\u0422"), std::optional<size_t>(7));
    EXPECT_EQ(FindUp(text, text.size(), 0, L"\u0391\u0392\u0393"), std::optional<size_t>(15));
    // Capitals in the text are found by small letters too.
    EXPECT_EQ(FindDown(L"x \u00c4PFEL", 0, 0, L"\u00e4pfel"), std::optional<size_t>(2));
}
#endif

TEST(TextSearch, AnAbsentOrEmptyQueryOrAnEmptyTextFindsNothing) {
    EXPECT_FALSE(FindDown(kLog, 0, 0, L"pear"));
    EXPECT_FALSE(FindUp(kLog, kLog.size(), 0, L"pear"));
    EXPECT_FALSE(FindDown(kLog, 0, 0, L""));
    EXPECT_FALSE(FindUp(kLog, kLog.size(), 0, L""));
    EXPECT_FALSE(FindDown(L"", 0, 0, L"moved"));
    EXPECT_FALSE(FindUp(L"", 0, 0, L"moved"));
    EXPECT_FALSE(FindDown(L"mo", 0, 0, L"moved"));  // the query is longer than the text
}

TEST(TextSearch, SelectionPastTheEndIsCutAtTheEnd) {
    const std::wstring text = L"one two one";
    EXPECT_FALSE(FindDown(text, 50, 3, L"one"));
    EXPECT_FALSE(FindDown(text, 9, static_cast<size_t>(-1), L"one"));  // no overflow of start + length
    EXPECT_EQ(FindUp(text, 50, 0, L"one"), std::optional<size_t>(8));
    EXPECT_EQ(FindDown(text, 0, 0, L"one"), std::optional<size_t>(0));
}

// A log of megabytes is searched a piece at a time: matches on every side of a piece's edge count.
TEST(TextSearch, ALongTextIsSearchedWholeAcrossItsPieces) {
    std::wstring text(300000, L'x');
    for (size_t at : {0u, 65533u, 131070u, 299995u})  // two across 64 Ki boundaries
        text.replace(at, 5, L"Apple");
    size_t at = 0;
    for (size_t want : {65533u, 131070u, 299995u}) {
        const std::optional<size_t> found = FindDown(text, at, 5, L"APPLE");
        ASSERT_TRUE(found);
        EXPECT_EQ(*found, want);
        at = *found;
    }
    EXPECT_FALSE(FindDown(text, at, 5, L"apple"));
    EXPECT_EQ(FindUp(text, text.size(), 0, L"apple"), std::optional<size_t>(299995));
    EXPECT_EQ(FindUp(text, 299995, 5, L"apple"), std::optional<size_t>(131070));
    EXPECT_EQ(FindUp(text, 131074, 0, L"apple"), std::optional<size_t>(65533));  // ends one short
    EXPECT_EQ(FindUp(text, 131075, 0, L"apple"), std::optional<size_t>(131070));
    EXPECT_EQ(FindUp(text, 65533, 5, L"apple"), std::optional<size_t>(0));
    EXPECT_FALSE(FindUp(text, 4, 0, L"apple"));
}

// The memo of the log page shows whole lines of a long log, at most so many characters.
TEST(TextWindow, StretchesHoldWholeLinesAndAtMostTheirWidth) {
    std::wstring text;
    for (int i = 0; i < 1000; ++i)
        text += L"entry " + std::to_wstring(1000 + i) + L"\r\n";  // 12 characters each
    const TextStretch end = StretchAtEnd(text, 100);
    EXPECT_EQ(end, (TextStretch{text.size() - 96, text.size()}));
    EXPECT_EQ(StretchAtEnd(L"short", 100), (TextStretch{0, 5}));
    EXPECT_EQ(StretchFrom(text, 125, 100), (TextStretch{120, 216}));  // from the line holding 125
    const TextStretch around = StretchAround(text, 6000, 4, 100);
    EXPECT_LE(around.start, 6000u);
    EXPECT_GE(around.end, 6004u);
    EXPECT_LE(around.end - around.start, 100u);
    EXPECT_EQ(around.start % 12, 0u);
    EXPECT_EQ(around.end % 12, 0u);
    // One line longer than the width is cut at the width.
    const std::wstring wide(500, L'w');
    EXPECT_EQ(StretchFrom(wide, 200, 100), (TextStretch{200, 300}));
    EXPECT_EQ(StretchAtEnd(wide, 100), (TextStretch{400, 500}));
}

}  // namespace
}  // namespace vantrel

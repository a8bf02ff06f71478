// The set of names behind the desktop picture, against std::set: many inserts and erases over a
// small range of names, so that runs of neighbouring slots form, grow and are cut from inside.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "engine/Picture.h"

namespace vantrel::test {
namespace {

TEST(NameSetTest, AgreesWithAnOrderedSetThroughInsertsAndErases) {
    NameSet names;
    std::set<std::wstring> expected;
    std::mt19937 random(7);
    for (int step = 0; step < 40000; ++step) {
        const std::wstring name = L"item " + std::to_wstring(random() % 700);
        if (random() % 3 == 0) {
            names.Erase(name);
            expected.erase(name);
        } else {
            names.Insert(name);
            expected.insert(name);
        }
        if (step % 1000 == 0) {
            ASSERT_EQ(names.Size(), expected.size()) << step;
            for (int i = 0; i < 700; ++i) {
                const std::wstring probe = L"item " + std::to_wstring(i);
                ASSERT_EQ(names.Contains(probe), expected.count(probe) == 1) << step << " " << i;
            }
        }
    }
    EXPECT_FALSE(names.Contains(L""));  // no item has an empty name
    names.Insert(L"");
    EXPECT_EQ(names.Size(), expected.size());
}

TEST(NameSetTest, ShrinksAfterABurstLeftAndStillFindsEveryName) {
    NameSet names;
    for (int wave = 0; wave < 3; ++wave) {
        for (int i = 0; i < 5000; ++i)
            names.Insert(L"burst " + std::to_wstring(wave) + L" " + std::to_wstring(i));
        const size_t full = names.Slots();
        EXPECT_GE(full, 2 * names.Size());
        // All but every thousandth leave again.
        for (int i = 0; i < 5000; ++i) {
            if (i % 1000 != 0) names.Erase(L"burst " + std::to_wstring(wave) + L" " + std::to_wstring(i));
        }
        ASSERT_EQ(names.Size(), 5u * (wave + 1));
        EXPECT_LE(names.Slots(), 64u);
        EXPECT_GE(names.Slots(), 2 * names.Size());
        for (int w = 0; w <= wave; ++w) {
            for (int i = 0; i < 5000; ++i)
                ASSERT_EQ(names.Contains(L"burst " + std::to_wstring(w) + L" " + std::to_wstring(i)), i % 1000 == 0)
                    << w << " " << i;
        }
    }
}

}  // namespace
}  // namespace vantrel::test

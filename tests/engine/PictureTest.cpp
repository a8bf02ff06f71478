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

}  // namespace
}  // namespace vantrel::test

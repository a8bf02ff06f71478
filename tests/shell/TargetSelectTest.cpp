#include "app/TargetSelect.h"

#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "settings/Options.h"

namespace vantrel {
namespace {

const std::wstring A = L"C:\\Targets\\A\\";
const std::wstring B = L"C:\\Targets\\B\\";
const std::wstring C = L"C:\\Targets\\C\\";

class TargetSelect : public ::testing::Test {
  protected:
    void SetUp() override {
        os->AddDirectory(A);
        os->AddDirectory(B);
        os->AddDirectory(C);
        options.SetDestinationFolder(A);
        options.SetAlternateFolders({B, C});
    }
    fake::FakeOs os;
    TOptions options;
};

TEST_F(TargetSelect, MenuListsTheTargetFirstThenTheAlternates) {
    EXPECT_EQ(SelectMenuFolders(options), (StringList{A, B, C}));
}

TEST_F(TargetSelect, ChoosingAnAlternateMakesItTheTarget) {
    EXPECT_TRUE(SelectTargetFolder(options, C));
    EXPECT_EQ(options.DestinationFolder(), C);
    EXPECT_EQ(options.AlternateFolders(), (StringList{B, A}));
    EXPECT_EQ(SelectMenuFolders(options), (StringList{C, B, A}));
}

TEST_F(TargetSelect, ChoosingTheCurrentTargetChangesNothing) {
    const Settings before = options.Snapshot();
    EXPECT_FALSE(SelectTargetFolder(options, A));
    EXPECT_EQ(options.Snapshot(), before);
}

TEST_F(TargetSelect, OnlyTheFirstAlternateEqualIgnoringCaseLeaves) {
    const std::wstring upperC = L"C:\\TARGETS\\C\\";
    options.SetAlternateFolders({upperC, B, C});
    EXPECT_TRUE(SelectTargetFolder(options, C));
    EXPECT_EQ(options.DestinationFolder(), C);  // the chosen entry's own spelling
    EXPECT_EQ(options.AlternateFolders(), (StringList{B, C, A}));
}

TEST_F(TargetSelect, AFolderTypedSeveralWaysIsOneEntryAndChoosingItAgainChangesNothing) {
    const std::wstring lowerA = L"c:\\targets\\a", slashA = L"C:/Targets/A/", lowerB = L"c:\\targets\\b\\\\";
    options.SetAlternateFolders({lowerA, B, slashA, lowerB, C});
    EXPECT_EQ(SelectMenuFolders(options), (StringList{A, B, C}));
    const Settings before = options.Snapshot();
    EXPECT_FALSE(SelectTargetFolder(options, slashA));  // the target, spelled otherwise
    EXPECT_EQ(options.Snapshot(), before);
    // The first alternate naming the folder leaves; its other spellings stay but show no entry.
    EXPECT_TRUE(SelectTargetFolder(options, L"C:/TARGETS/B"));
    EXPECT_EQ(options.AlternateFolders(), (StringList{lowerA, slashA, lowerB, C, A}));
    EXPECT_EQ(SelectMenuFolders(options), (StringList{L"C:/TARGETS/B", lowerA, C}));
}

TEST_F(TargetSelect, AFolderWithAmpersandIsChosenAsItIs) {
    const std::wstring tom = L"D:\\Tom && Jerry &\\";
    const std::wstring rnd = L"C:\\R&D\\";
    options.SetAlternateFolders({tom, rnd, B});
    const StringList entries = SelectMenuFolders(options);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(MenuCaption(entries[1]), L"D:\\Tom &&&& Jerry &&\\");
    EXPECT_EQ(MenuCaption(entries[2]), L"C:\\R&&D\\");
    EXPECT_TRUE(SelectTargetFolder(options, entries[2]));
    EXPECT_EQ(options.DestinationFolder(), rnd);
    EXPECT_EQ(options.AlternateFolders(), (StringList{tom, B, A}));
    EXPECT_TRUE(SelectTargetFolder(options, entries[1]));
    EXPECT_EQ(options.DestinationFolder(), tom);
    EXPECT_EQ(options.AlternateFolders(), (StringList{B, A, rnd}));
}

TEST(MenuCaption, DoublesEveryAmpersand) {
    EXPECT_EQ(MenuCaption(L"C:\\Plain\\"), L"C:\\Plain\\");
    EXPECT_EQ(MenuCaption(L"C:\\A&B&&C\\"), L"C:\\A&&B&&&&C\\");
    EXPECT_EQ(MenuCaption(L"&"), L"&&");
    EXPECT_EQ(MenuCaption(L""), L"");
}

}  // namespace
}  // namespace vantrel

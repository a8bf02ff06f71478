// The codes a failure reports: system errors and shell results are kinds of their own, and a
// folder move's result keeps its kind while the log shows its number.
#include <gtest/gtest.h>

#include <type_traits>

#include "engine/FolderResult.h"

namespace vantrel {
namespace {

// A code never passes for "true means done", nor for a code of the other kind.
static_assert(!std::is_convertible_v<SysError, bool>);
static_assert(!std::is_convertible_v<ShellResult, bool>);
static_assert(!std::is_convertible_v<SysError, ShellResult>);
static_assert(!std::is_convertible_v<ShellResult, SysError>);
static_assert(!std::is_convertible_v<bool, SysError>);
static_assert(!std::is_convertible_v<int, SysError>);
// A folder move's result: either kind shows its signed number in the log, only zero of either kind
// is success, and a comparison names the kind it means.
TEST(FolderResultTest, ShowsItsNumberAndComparesOnlyWithItsOwnKind) {
    EXPECT_EQ(FolderResult(ShellResult{5}).Text(), L"5");
    EXPECT_EQ(FolderResult(kErrorAccessDenied).Text(), L"5");
    EXPECT_EQ(FolderResult(SysError{0x80070005}).Text(), L"-2147024891");  // past 2^31, as always shown
    EXPECT_TRUE(FolderResult().Succeeded());
    EXPECT_TRUE(FolderResult(ShellResult::Success).Succeeded());
    EXPECT_FALSE(FolderResult(ShellResult{1223}).Succeeded());
    const FolderResult shell(ShellResult{17}), system(kErrorNotSameDevice);
    EXPECT_TRUE(system.Is(kErrorNotSameDevice));
    EXPECT_FALSE(system.Is(ShellResult{17}));
    EXPECT_TRUE(shell.Is(ShellResult{17}));
    EXPECT_FALSE(shell.Is(kErrorNotSameDevice));
}

}  // namespace
}  // namespace vantrel

// What a failed call reports, as values of their own types: a system error code (GetLastError's
// numbers) and a shell operation's result. Neither converts to bool or to the other, so a caller
// cannot take a code for "true means done" nor pass the shell's number where a system code goes.
#pragma once

#include <cstdint>

namespace vantrel {

// A Win32 system error code; None (0) is success.
enum class SysError : uint32_t { None = 0 };

// SHFileOperationW's result; Success (0) is success. Most of its values are system codes, some
// are the shell's own older numbers that mean something else.
enum class ShellResult : int { Success = 0 };

// The plain numbers, for log lines and comparisons with what the system documents.
constexpr uint32_t Number(SysError code) {
    return static_cast<uint32_t>(code);
}
constexpr int Number(ShellResult result) {
    return static_cast<int>(result);
}

// Win32 error codes the program's rules speak of.
constexpr SysError kErrorFileNotFound{2};
constexpr SysError kErrorPathNotFound{3};
constexpr SysError kErrorAccessDenied{5};
constexpr SysError kErrorNotEnoughMemory{8};
constexpr SysError kErrorNotSameDevice{17};
constexpr SysError kErrorSharingViolation{32};
constexpr SysError kErrorFileExists{80};
constexpr SysError kErrorDiskFull{112};
constexpr SysError kErrorAlreadyExists{183};
constexpr SysError kErrorFileTooLarge{223};
constexpr SysError kErrorNotifyEnumDir{1022};
constexpr SysError kErrorCancelled{1223};

}  // namespace vantrel

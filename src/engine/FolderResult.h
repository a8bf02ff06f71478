// How a folder's move ended. The folder mover meets two kinds of code: the system's (a rename
// through MoveFileW, a watch, a move to another volume) and the shell's results. They are
// different things that the log shows alike, as a plain signed number, so the kind travels along
// and a comparison names the kind it means.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Errors.h"
#include "platform/Text.h"

namespace vantrel {

class FolderResult {
  public:
    FolderResult() = default;
    // Implicit on purpose: every step hands its own kind of code to the same result.
    FolderResult(SysError code) : kind_(Kind::System), number_(static_cast<int32_t>(Number(code))) {}
    FolderResult(ShellResult result) : kind_(Kind::Shell), number_(Number(result)) {}

    bool Succeeded() const { return number_ == 0; }
    bool Is(SysError code) const { return kind_ == Kind::System && number_ == FolderResult(code).number_; }
    bool Is(ShellResult result) const { return kind_ == Kind::Shell && number_ == Number(result); }
    // The number as the log shows it, whichever kind it is.
    std::wstring Text() const { return IntToStr(number_); }

  private:
    enum class Kind { System, Shell };

    Kind kind_ = Kind::System;
    int32_t number_ = 0;
};

}  // namespace vantrel

// TMoveDirectory: the delayed folder mover. Waits until nothing inside a new desktop folder has
// changed for a whole quiet period, takes it under a holding name and moves it into the target.
#pragma once

#include <cstdint>
#include <string>

#include "settings/Options.h"
#include "ui/Thread.h"

namespace vantrel {

class TMoveDirectory : public TThread {
  public:
    explicit TMoveDirectory(bool createSuspended);

    std::wstring FolderName;       // relative to the desktop folder, lowercased
    TOptions* Settings = nullptr;  // shared, not owned

    // Consecutive waits that return neither a change nor a time-out before the mover gives up.
    static constexpr int kMaxOtherWaits = 100;

  protected:
    void Execute() override;

  private:
    int32_t ShellOperation(const std::wstring& from, const std::wstring& to, bool rename);
};

}  // namespace vantrel

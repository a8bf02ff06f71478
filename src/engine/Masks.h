// The masks that keep items on the desktop, read from the settings once and lower-cased once.
#pragma once

#include <string>

#include "platform/Text.h"
#include "settings/Options.h"

namespace vantrel {

class TMasks {
  public:
    explicit TMasks(const TOptions& settings);
    // Whether the item named lowered (lower-cased) stays on the desktop: an extension mask or a
    // file-name mask keeps it, and the program's own holding names and copies are never items.
    bool Keep(const std::wstring& lowered) const;

  private:
    StringList extensions_;  // "*.ext", compared with the name's "*" + extension
    StringList stems_;       // file-name masks without their ".*"
};

}  // namespace vantrel

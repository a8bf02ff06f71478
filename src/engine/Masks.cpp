#include "engine/Masks.h"

#include "engine/Names.h"
#include "platform/Platform.h"

namespace vantrel {

namespace {

// "*" plus the text from the last dot on, unless a backslash or colon follows that dot.
std::wstring ExtensionKey(const std::wstring& name) {
    auto dot = name.find_last_of(L".\\:");
    if (dot == std::wstring::npos || name[dot] != L'.') return L"*";
    return L"*" + name.substr(dot);
}

}  // namespace

TMasks::TMasks(const TOptions& settings) : extensions_(settings.ExcludedExt()) {
    for (std::wstring& mask : extensions_)
        Os().LowerCase(mask);
    // File-name masks have the form stem + ".*": the last two characters are not compared.
    for (std::wstring mask : settings.ExcludedFiles()) {
        if (mask.size() <= 2) continue;
        mask.resize(mask.size() - 2);
        Os().LowerCase(mask);
        stems_.push_back(std::move(mask));
    }
}

bool TMasks::Keep(const std::wstring& lowered) const {
    if (StartsWith(lowered, kHoldingPrefix) || StartsWith(lowered, kCopyPrefix)) return true;
    const std::wstring key = ExtensionKey(lowered);
    for (const std::wstring& mask : extensions_)
        if (StartsWith(key, mask)) return true;
    for (const std::wstring& stem : stems_)
        if (StartsWith(lowered, stem)) return true;
    return false;
}

}  // namespace vantrel

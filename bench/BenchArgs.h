// The benchmarks' command lines: "--name value" pairs.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

namespace vantrel::bench {

// Hands every pair of the program's command line to take. False when the line cannot be read,
// a name has no value, or take refuses a pair.
inline bool ForEachOption(const std::function<bool(const std::wstring& key, const std::wstring& value)>& take) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return false;
    const std::vector<std::wstring> list(argv + 1, argv + argc);
    LocalFree(argv);
    if (list.size() % 2 != 0) return false;
    for (size_t i = 0; i < list.size(); i += 2)
        if (!take(list[i], list[i + 1])) return false;
    return true;
}

}  // namespace vantrel::bench

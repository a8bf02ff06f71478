// Reading a whole file as the tests look at what the program wrote: shared with every writer, so
// reading never stands in the way of the program.
#pragma once

#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"

namespace vantrel::test {

// The file's bytes; empty when it cannot be opened.
inline std::string FileBytes(const std::wstring& path) {
    unique_handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char chunk[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    return bytes;
}

}  // namespace vantrel::test

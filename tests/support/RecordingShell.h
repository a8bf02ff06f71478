// The shell as the tests see it: what the main window asks of it is recorded, nothing is opened
// or shown. With failure set, each request throws it instead, as a shell that has gone away would.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/ShellServices.h"

namespace vantrel::test {

class RecordingShell : public ShellServices {
  public:
    void Execute(const std::wstring& verb, const std::wstring& file) override {
        if (!failure.empty()) throw std::runtime_error(failure);
        executed.emplace_back(verb, file);
    }
    void Refuse(HWND owner, const std::wstring& text) override {
        if (!failure.empty()) throw std::runtime_error(failure);
        refusals.push_back(text);
        refusalOwners.push_back(owner);
    }

    std::vector<std::pair<std::wstring, std::wstring>> executed;  // verb and file, in order
    std::vector<std::wstring> refusals;
    std::vector<HWND> refusalOwners;
    std::string failure;
};

}  // namespace vantrel::test

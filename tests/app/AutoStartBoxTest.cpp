// "Aut&o start" on the real main window against the prefix's real registry: the box starts from
// what the Run key holds, and a click changes the Run key at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/MainFixture.h"

namespace vantrel {
namespace {

using test::RealForm;

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kValue[] = L"Vantrel";

std::wstring OwnPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

struct RegValue {
    bool exists = false;
    DWORD type = 0;
    std::wstring text;
};

RegValue ReadValue() {
    RegValue v;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
    BYTE data[2048] = {};
    DWORD size = sizeof(data) - 2;
    if (RegQueryValueExW(key, kValue, nullptr, &v.type, data, &size) == ERROR_SUCCESS) {
        v.exists = true;
        if (v.type == REG_SZ) v.text = reinterpret_cast<const wchar_t*>(data);
    }
    RegCloseKey(key);
    return v;
}

void WriteText(const std::wstring& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void DeleteValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, kValue);
    RegCloseKey(key);
}

// Capital letters A to Z only.
std::wstring AsciiUpper(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

// The registration must not outlive a test: a new Wine session would start this program.
class AutoStartBox : public RealForm {
  protected:
    void SetUp() override {
        RealForm::SetUp();
        DeleteValue();
    }
    void TearDown() override {
        RealForm::TearDown();
        DeleteValue();
    }
    bool Ticked() { return ui::IsChecked(MiscPage().AutoStartCheckBox()); }
};

// What counts as registered and what a click writes is the start at logon's own rule; here the
// box shows the Run key when the window is built, and each click changes the key at once, with
// the running program's own path (in a folder with blanks), "&Save" neither needed nor touching it.
TEST_F(AutoStartBox, TheBoxShowsTheRunKeyAndEachClickChangesItAtOnce) {
    Build();
    EXPECT_FALSE(Ticked());
    Toggle(MiscPage().AutoStartCheckBox());
    RegValue v = ReadValue();
    EXPECT_TRUE(v.exists);
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(v.text, OwnPath());  // no quotes, no arguments
    Click(form->SaveButton());
    EXPECT_EQ(ReadValue().text, OwnPath());

    // Registered under another capitalisation: ticked from the start, and the value is kept.
    const std::wstring upper = AsciiUpper(OwnPath());
    ASSERT_NE(upper, OwnPath());
    WriteText(upper);
    form.reset();
    options.reset();
    Build();
    EXPECT_TRUE(Ticked());
    EXPECT_TRUE(Action(L"AutoStartAction").Checked());
    EXPECT_EQ(ReadValue().text, upper);
    Toggle(MiscPage().AutoStartCheckBox());
    EXPECT_FALSE(ReadValue().exists);
    Click(form->SaveButton());
    EXPECT_FALSE(ReadValue().exists);
}

}  // namespace
}  // namespace vantrel

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
    DWORD number = 0;
};

RegValue ReadValue() {
    RegValue v;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
    BYTE data[2048] = {};
    DWORD size = sizeof(data) - 2;
    if (RegQueryValueExW(key, kValue, nullptr, &v.type, data, &size) == ERROR_SUCCESS) {
        v.exists = true;
        if (v.type == REG_SZ || v.type == REG_EXPAND_SZ)
            v.text = reinterpret_cast<const wchar_t*>(data);
        else if (v.type == REG_DWORD)
            v.number = *reinterpret_cast<DWORD*>(data);
    }
    RegCloseKey(key);
    return v;
}

void WriteValue(DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, kValue, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void WriteText(const std::wstring& text) {
    WriteValue(REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
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

TEST_F(AutoStartBox, TickingWritesTheBarePathAndUntickingDeletesIt) {
    Build();
    EXPECT_FALSE(Ticked());
    Toggle(MiscPage().AutoStartCheckBox());
    RegValue v = ReadValue();
    EXPECT_TRUE(v.exists);
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
    // The test runs from a folder with blanks: still no quotes, no arguments.
    EXPECT_EQ(v.text, OwnPath());
    EXPECT_NE(v.text.front(), L'"');
    // "&Save" neither needs nor touches it.
    Click(form->SaveButton());
    EXPECT_EQ(ReadValue().text, OwnPath());
    Toggle(MiscPage().AutoStartCheckBox());
    EXPECT_FALSE(ReadValue().exists);
    Click(form->SaveButton());
    EXPECT_FALSE(ReadValue().exists);
}

TEST_F(AutoStartBox, OtherCapitalisationCountsAsRegisteredAndIsNotRewritten) {
    const std::wstring upper = AsciiUpper(OwnPath());
    ASSERT_NE(upper, OwnPath());
    WriteText(upper);
    Build();
    EXPECT_TRUE(Ticked());
    EXPECT_TRUE(Action(L"AutoStartAction").Checked());
    EXPECT_EQ(ReadValue().text, upper);
}

TEST_F(AutoStartBox, AnotherPathIsNotRegisteredAndTickingOverwritesIt) {
    for (const std::wstring& other :
         {L"\"" + OwnPath() + L"\"", OwnPath() + L" /minimized", std::wstring(L"C:\\Old\\Vantrel.exe")}) {
        WriteText(other);
        Build();
        EXPECT_FALSE(Ticked());
        EXPECT_EQ(ReadValue().text, other);  // looking changes nothing
        Toggle(MiscPage().AutoStartCheckBox());
        EXPECT_EQ(ReadValue().text, OwnPath());
        form.reset();
        options.reset();
    }
}

TEST_F(AutoStartBox, UntickingDeletesWhateverTheValueHolds) {
    WriteText(OwnPath());
    Build();
    ASSERT_TRUE(Ticked());
    EXPECT_EQ(ReadValue().text, OwnPath());
    Toggle(MiscPage().AutoStartCheckBox());
    EXPECT_FALSE(ReadValue().exists);
}

TEST_F(AutoStartBox, ANonStringValueIsKeptOnTickingAndDeletedOnUnticking) {
    const DWORD number = 42;
    WriteValue(REG_DWORD, &number, sizeof(number));
    Build();
    EXPECT_FALSE(Ticked());
    Toggle(MiscPage().AutoStartCheckBox());
    RegValue v = ReadValue();
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(v.number, 42u);
    Toggle(MiscPage().AutoStartCheckBox());
    EXPECT_FALSE(ReadValue().exists);
}

}  // namespace
}  // namespace vantrel

#include "app/AutoStart.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

namespace vantrel {
namespace {

const wchar_t* const kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const kValue = L"Vantrel";

// What the Run key holds under "Vantrel", read back independently of the code under test.
struct Stored {
    DWORD type = REG_NONE;
    std::wstring text;
    DWORD number = 0;
};

std::optional<Stored> ReadStored() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    BYTE data[4096] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    Stored stored;
    const LONG rc = RegQueryValueExW(key, kValue, nullptr, &stored.type, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    if (stored.type == REG_DWORD)
        memcpy(&stored.number, data, sizeof(DWORD));
    else
        stored.text = reinterpret_cast<const wchar_t*>(data);
    return stored;
}

void WriteString(const std::wstring& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void WriteNumber(DWORD number) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    RegCloseKey(key);
}

void DeleteStored() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, kValue);
    RegCloseKey(key);
}

// Every case starts and ends with no registration, so the prefix is left as it was found.
class AutoStart : public ::testing::Test {
  protected:
    void SetUp() override { DeleteStored(); }
    void TearDown() override { DeleteStored(); }
    const std::wstring path = L"C:\\Program Files\\Desktop Vantrel\\Vantrel.exe";
};

TEST_F(AutoStart, TickingWritesTheBarePathAndUntickingDeletesIt) {
    EXPECT_FALSE(IsAutoStart(path));
    SetAutoStart(false, path);  // nothing there, nothing to do
    EXPECT_FALSE(ReadStored());

    SetAutoStart(true, path);
    const std::optional<Stored> stored = ReadStored();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored->text, path);  // blanks and all, without quotes
    EXPECT_TRUE(IsAutoStart(path));

    SetAutoStart(false, path);
    EXPECT_FALSE(ReadStored());
    EXPECT_FALSE(IsAutoStart(path));
}

TEST_F(AutoStart, OtherCapitalisationCountsAsRegisteredAndIsNotRewritten) {
    const std::wstring shouted = L"c:\\PROGRAM FILES\\desktop vantrel\\VANTREL.EXE";
    WriteString(shouted);
    EXPECT_TRUE(IsAutoStart(path));
    SetAutoStart(true, path);
    ASSERT_TRUE(ReadStored());
    EXPECT_EQ(ReadStored()->text, shouted);
}

TEST_F(AutoStart, OnlyAsciiLettersFoldInTheComparison) {
    const std::wstring umlaut = L"C:\\\u00c4rger\\Vantrel.exe";
    WriteString(L"C:\\\u00e4rger\\Vantrel.exe");
    EXPECT_FALSE(IsAutoStart(umlaut));
    SetAutoStart(true, umlaut);
    ASSERT_TRUE(ReadStored());
    EXPECT_EQ(ReadStored()->text, umlaut);
}

TEST_F(AutoStart, AnotherPathIsNotRegisteredAndTickingOverwritesIt) {
    for (const std::wstring& other : {std::wstring(L"C:\\Old\\Vantrel.exe"), L"\"" + path + L"\"", path + L" /min"}) {
        WriteString(other);
        EXPECT_FALSE(IsAutoStart(path)) << other.size();
        ASSERT_TRUE(ReadStored());
        EXPECT_EQ(ReadStored()->text, other);  // looking changes nothing
        SetAutoStart(true, path);
        ASSERT_TRUE(ReadStored());
        EXPECT_EQ(ReadStored()->text, path);
        EXPECT_TRUE(IsAutoStart(path));
    }
}

TEST_F(AutoStart, UntickingDeletesWhateverTheValueHolds) {
    WriteString(L"C:\\Somewhere\\Else.exe");
    SetAutoStart(false, path);
    EXPECT_FALSE(ReadStored());
}

TEST_F(AutoStart, ANonStringValueIsNotRegisteredIsKeptOnTickingAndDeletedOnUnticking) {
    WriteNumber(42);
    EXPECT_FALSE(IsAutoStart(path));
    SetAutoStart(true, path);
    std::optional<Stored> stored = ReadStored();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(stored->number, 42u);
    SetAutoStart(false, path);
    EXPECT_FALSE(ReadStored());
}

TEST_F(AutoStart, AnExpandableStringCountsAsAString) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_WRITE, &key), ERROR_SUCCESS);
    RegSetValueExW(key, kValue, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    EXPECT_TRUE(IsAutoStart(path));
}

TEST_F(AutoStart, APathOutsideTheCodePageIsStoredIntact) {
    const std::wstring wide = L"C:\\\u65e5\u672c\u8a9e \u0416\u0443\u043a\\Vantrel.exe";
    SetAutoStart(true, wide);
    ASSERT_TRUE(ReadStored());
    EXPECT_EQ(ReadStored()->text, wide);
    EXPECT_TRUE(IsAutoStart(wide));
}

TEST_F(AutoStart, ThePublicCallsUseTheProgramsOwnFile) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    EXPECT_EQ(ProgramPath(), std::wstring(module));
    EXPECT_FALSE(IsAutoStart());
    SetAutoStart(true);
    ASSERT_TRUE(ReadStored());
    EXPECT_EQ(ReadStored()->text, std::wstring(module));
    EXPECT_TRUE(IsAutoStart());
    SetAutoStart(false);
    EXPECT_FALSE(ReadStored());
}

// With the current user's hive swapped for an empty key, the Run key is missing: nothing
// counts as registered and ticking must not create it.
TEST(AutoStartWithoutRunKey, NeitherReadsNorCreatesTheKey) {
    const wchar_t* const standIn = L"Software\\VantrelTests\\EmptyUser";
    HKEY empty = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, standIn, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &empty, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, empty), ERROR_SUCCESS);
    const std::wstring path = L"C:\\Vantrel\\Vantrel.exe";
    EXPECT_FALSE(IsAutoStart(path));
    SetAutoStart(true, path);
    HKEY run = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &run), ERROR_SUCCESS);
    if (run) RegCloseKey(run);
    SetAutoStart(false, path);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(empty);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VantrelTests");
}

}  // namespace
}  // namespace vantrel

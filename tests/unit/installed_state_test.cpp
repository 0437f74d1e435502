// Whether the product is installed: its key, as the unit tests' own string table names it.
#include "app/installed_state.h"
#include "base/unique_handle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const wchar_t kTestKey[] = L"Software\\Microsoft\\SetupTestVendor\\Installed State Test v1";

class InstalledStateTest : public testing::Test {
  protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\SetupTestVendor");
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\SetupTestVendor");
    }
    static void SetValue(const wchar_t* name, DWORD type, const std::vector<BYTE>& data) {
        RegistryKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, key.Receive(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(
            RegSetValueExW(key.Get(), name, 0, type, data.data(), static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
    }
};

TEST_F(InstalledStateTest, KeyMissingMeansNotInstalled) {
    EXPECT_FALSE(IsProductInstalled(GetModuleHandleW(nullptr)));
}

TEST_F(InstalledStateTest, KeyWithoutValueMeansNotInstalled) {
    SetValue(L"other", REG_DWORD, {1, 0, 0, 0});
    EXPECT_FALSE(IsProductInstalled(GetModuleHandleW(nullptr)));
}

TEST_F(InstalledStateTest, OnlyADwordOfOneCounts) {
    struct ValueCase {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
        bool installed;
    };
    const ValueCase cases[] = {
        {"dword 1", REG_DWORD, {1, 0, 0, 0}, true},
        {"dword 0", REG_DWORD, {0, 0, 0, 0}, false},
        {"dword 2", REG_DWORD, {2, 0, 0, 0}, false},
        {"dword 0x101", REG_DWORD, {1, 1, 0, 0}, false},
        {"string 1", REG_SZ, {'1', 0, 0, 0}, false},
        {"binary 1", REG_BINARY, {1, 0, 0, 0}, false},
        {"qword 1", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, false},
        {"dword type with 8 bytes", REG_DWORD, {1, 0, 0, 0, 0, 0, 0, 0}, false},
        // The variable is zeroed before the query, so two bytes read as their value.
        {"dword with 2 bytes of 1", REG_DWORD, {1, 0}, true},
        {"dword with 2 bytes of 2", REG_DWORD, {2, 0}, false},
    };
    for (const ValueCase& c : cases) {
        SetValue(L"installed", c.type, c.data);
        EXPECT_EQ(IsProductInstalled(GetModuleHandleW(nullptr)), c.installed) << c.name;
    }
}

TEST_F(InstalledStateTest, ValueNameIsExact) {
    SetValue(L"Installed ", REG_DWORD, {1, 0, 0, 0});
    EXPECT_FALSE(IsProductInstalled(GetModuleHandleW(nullptr)));
}

TEST(InstalledStateKeyTest, ComposedFromVendorAndProduct) {
    EXPECT_EQ(InstalledStateKey(L"ORVANE", L"ORVANE VR-ZT042 HLX480 Driver v2.4.0.0"),
              L"Software\\Microsoft\\ORVANE\\ORVANE VR-ZT042 HLX480 Driver v2.4.0.0");
    EXPECT_EQ(InstalledStateKey(L"", L""), L"Software\\Microsoft\\\\");
}

} // namespace

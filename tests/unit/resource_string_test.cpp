// Texts of the executable's string table: the unit tests' own (test_strings.rc).
#include "base/resource_string.h"
#include "res/resource.h"
#include "test_strings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LoadResourceStringTest, Table) {
    const HINSTANCE self = GetModuleHandleW(nullptr);
    std::wstring long99;
    for (int i = 0; i < 99; ++i) {
        long99 += static_cast<wchar_t>(L'A' + i % 26);
    }
    std::wstring exactly99;
    for (int i = 0; i < 99; ++i) {
        exactly99 += static_cast<wchar_t>(L'a' + i % 26);
    }
    struct StringCase {
        const char* name;
        HINSTANCE module;
        int id;
        std::wstring expected;
    };
    const StringCase cases[] = {
        {"vendor", self, IDS_VENDOR_NAME, L"SetupTestVendor"},
        {"120 characters cut to 99", self, IDS_TEST_LONG, long99},
        {"99 characters whole", self, IDS_TEST_EXACTLY_99, exactly99},
        {"missing entry", self, IDS_TEST_MISSING, L""},
        {"null module", nullptr, IDS_VENDOR_NAME, L""},
    };
    for (const StringCase& c : cases) {
        EXPECT_EQ(LoadResourceString(c.module, c.id), c.expected) << c.name;
    }
}

} // namespace

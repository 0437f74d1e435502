// The names of the launcher's logs.
#include "app/log_files.h"

#include <gtest/gtest.h>

namespace {

TEST(LogNameTest, PackageSetupAndTheStartsLocalTime) {
    SYSTEMTIME start = {};
    start.wYear = 2026;
    start.wMonth = 12;
    start.wDay = 9;
    start.wHour = 15;
    start.wMinute = 3;
    start.wSecond = 7;
    start.wMilliseconds = 999;
    const std::wstring name = LogName(L"HLX480DriverInstaller", start);
    EXPECT_EQ(name, L"HLX480DriverInstaller_Setup_20261209150307");
    const std::pair<int, const wchar_t*> attempts[] = {
        {1, L"HLX480DriverInstaller_Setup_20261209150307.log"},
        {2, L"HLX480DriverInstaller_Setup_20261209150307_2.log"},
        {16, L"HLX480DriverInstaller_Setup_20261209150307_16.log"},
    };
    for (const auto& attempt : attempts) {
        EXPECT_EQ(LogFileName(name, attempt.first), attempt.second) << attempt.first;
    }
}

} // namespace

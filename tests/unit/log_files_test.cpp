// The names of the launcher's logs.
#include "app/log_files.h"
#include "file_io.h"
#include "scratch_folder.h"
#include "staging/folder.h"

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
    // After the time, a part that nobody can find by trying names: 64 bits.
    EXPECT_EQ(DrawnLogName(name, 0x5F3A0123456789ABull),
              L"HLX480DriverInstaller_Setup_20261209150307_5F3A0123456789AB");
    EXPECT_EQ(DrawnLogName(name, 0x7), L"HLX480DriverInstaller_Setup_20261209150307_0000000000000007");
}

// Draws 0x5F3A, then 0x1234, then fails.
bool DrawInTurn(unsigned long long& value) {
    static const unsigned long long values[] = {0x5F3A, 0x1234};
    static size_t next = 0;
    if (next == sizeof(values) / sizeof(values[0])) {
        return false;
    }
    value = values[next++];
    return true;
}

using DrawnLogFileTest = ScratchFolderTest;

// A name that someone took beforehand is neither opened nor given up on:
// another draw names the log.
TEST_F(DrawnLogFileTest, TakenNameEarnsAnotherDraw) {
    const std::wstring name = folder + L"Pkg_Setup_20261209150307";
    ASSERT_TRUE(testfs::WriteBytes(name + L"_0000000000005F3A.log", "someone else's"));
    std::wstring path;
    const FileHandle file =
        CreateDrawnLogFile(name, L".log", StagingSecurity(L""), DrawInTurn, path);
    EXPECT_TRUE(file.IsValid());
    EXPECT_EQ(path, name + L"_0000000000001234.log");
    EXPECT_EQ(testfs::ReadBytes(name + L"_0000000000005F3A.log"), "someone else's");
    // No draw left: no log, rather than one under a name that is taken.
    EXPECT_FALSE(
        CreateDrawnLogFile(name, L".log", StagingSecurity(L""), DrawInTurn, path).IsValid());
}

} // namespace

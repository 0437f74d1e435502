// Where a run stages: the launcher's folder, the root for its token, the folder made there.
#include "staging_fixture.h"
#include "file_io.h"
#include "launcher_places.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testfs::Exists;
using testfs::SortedNames;

TEST_F(StagingTest, ModuleDirectoryIsTheExecutablesFolderWithBackslash) {
    g_lastError = 12345;
    const std::wstring folder = GetModuleDirectory();
    EXPECT_EQ(g_lastError, 0u);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_TRUE(Exists(folder + L"setup_unit_tests.exe"))
        << std::string(folder.begin(), folder.end());
}

TEST(StagingRootTest, OnlyTheSystemAccountAndElevatedTokensLeaveTheUsersTemporaryFolder) {
    struct RootCase {
        const char* name;
        bool systemAccount;
        bool elevated;
        StagingRoot root;
    };
    const RootCase cases[] = {
        {"SYSTEM", true, true, StagingRoot::SystemTemporary},
        {"elevated administrator", false, true, StagingRoot::WindowsTemp},
        {"token not elevated (UAC off)", false, false, StagingRoot::UserTemporary},
        {"SYSTEM without elevation flag", true, false, StagingRoot::SystemTemporary},
    };
    for (const RootCase& c : cases) {
        EXPECT_EQ(ChooseStagingRoot(c.systemAccount, c.elevated), c.root) << c.name;
    }
}

// Wine's tokens are all elevated and none is SYSTEM's: the Windows folder's
// Temp, whatever TMP says.
TEST_F(StagingTest, ElevatedRunStagesInTheWindowsTempHeldFromItsCreation) {
    for (const wchar_t* tmp : {L"", L"does-not-exist\\"}) {
        SCOPED_TRACE(testfs::Narrow(tmp));
        PointTmpAt(root_ + tmp);
        StagingFolderHold hold;
        const std::wstring staging = CreateStagingDirectory(hold, ReadToken());
        EXPECT_EQ(g_lastError, 0u);
        const std::wstring parent = testfs::WindowsTemp();
        ASSERT_EQ(staging.size(), parent.size() + 8) << testfs::Narrow(staging);
        EXPECT_EQ(staging.substr(0, parent.size() + 3), parent + L"QLN");
        EXPECT_TRUE(testfs::IsDirectory(staging));
        EXPECT_TRUE(hold.IsHeld());
        const std::wstring path = staging.substr(0, staging.size() - 1);
        EXPECT_FALSE(MoveFileW(path.c_str(), (root_ + L"renamed").c_str()))
            << "the new folder could be taken away";
        EXPECT_EQ(SortedNames(root_), (std::vector<std::wstring>{L"destination", L"source"}))
            << "something was made in TMP";
        EXPECT_TRUE(hold.DeleteTree());
        EXPECT_FALSE(Exists(staging));
    }
}

} // namespace

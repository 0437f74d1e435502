#include "staging/staging.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <ctime>
#include <vector>

namespace {

using testfs::EnumerationOrder;
using testfs::Exists;
using testfs::RemoveTree;
using testfs::SortedNames;

void WriteText(const std::wstring& path, const std::string& text) {
    ASSERT_TRUE(testfs::WriteBytes(path, text));
}

std::string ReadText(const std::wstring& path) {
    return testfs::ReadBytes(path);
}

// Each test works in a fresh folder of its own under the real temp directory.
class StagingTest : public testing::Test {
  protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        root_ = testfs::TempDirectory() + L"staging-test-" +
                std::wstring(info->name(), info->name() + strlen(info->name())) + L"\\";
        RemoveTree(root_);
        ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
        source_ = MakeFolder(L"source");
        destination_ = MakeFolder(L"destination");
        g_lastError = 0;
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"TMP", savedTmp_.empty() ? nullptr : savedTmp_.c_str());
        RemoveTree(root_);
    }
    std::wstring MakeFolder(const std::wstring& relative) {
        const std::wstring path = root_ + relative + L"\\";
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }
    void PointTmpAt(const std::wstring& folder) {
        wchar_t saved[1024] = {};
        if (savedTmp_.empty() && GetEnvironmentVariableW(L"TMP", saved, 1024) > 0) {
            savedTmp_ = saved;
        }
        SetEnvironmentVariableW(L"TMP", folder.c_str());
    }

    std::wstring root_;
    std::wstring source_;
    std::wstring destination_;
    std::wstring savedTmp_;
};

TEST_F(StagingTest, ModuleDirectoryIsTheExecutablesFolderWithBackslash) {
    g_lastError = 12345;
    const std::wstring folder = GetModuleDirectory();
    EXPECT_EQ(g_lastError, 0u);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_TRUE(Exists(folder + L"setup_unit_tests.exe"))
        << std::string(folder.begin(), folder.end());
}

TEST(StagingDirectoryNameTest, FourUppercaseDigitsAndBackslash) {
    const std::pair<int, const wchar_t*> cases[] = {
        {0, L"QLN0000\\"},     {5, L"QLN0005\\"},     {0x1A2B, L"QLN1A2B\\"},
        {0xabc, L"QLN0ABC\\"}, {32767, L"QLN7FFF\\"}, {0x8005, L"QLN0005\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StagingDirectoryName(c.first), c.second) << c.first;
    }
}

TEST_F(StagingTest, CreatesAFreshFolderInTheTemporaryDirectory) {
    PointTmpAt(root_);
    const std::wstring staging = CreateStagingDirectory();
    ASSERT_EQ(staging.size(), root_.size() + 8);
    EXPECT_EQ(staging.substr(0, root_.size()), root_);
    const std::wstring name = staging.substr(root_.size());
    EXPECT_EQ(name.substr(0, 3), L"QLN");
    EXPECT_TRUE(name[3] >= L'0' && name[3] <= L'7');
    for (int i = 4; i < 7; ++i) {
        EXPECT_TRUE(iswdigit(name[i]) || (name[i] >= L'A' && name[i] <= L'F'));
    }
    EXPECT_EQ(name[7], L'\\');
    EXPECT_TRUE(GetFileAttributesW(staging.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(g_lastError, 0u);
}

TEST_F(StagingTest, SecondCallInTheSameSecondFailsWithAlreadyExists) {
    PointTmpAt(root_);
    // The clock seeds the draw; retry if the two calls straddle a second.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const time_t before = time(nullptr);
        const std::wstring first = CreateStagingDirectory();
        const std::wstring second = CreateStagingDirectory();
        const DWORD error = g_lastError;
        if (time(nullptr) != before) {
            RemoveTree(first);
            RemoveTree(second);
            continue;
        }
        EXPECT_FALSE(first.empty());
        EXPECT_EQ(second, L"");
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
        EXPECT_EQ(SortedNames(root_).size(), 3u) << "no second name may be tried";
        return;
    }
    FAIL() << "the clock kept moving between two calls";
}

TEST_F(StagingTest, MissingTemporaryDirectoryGivesEmptyPath) {
    PointTmpAt(root_ + L"does-not-exist\\");
    EXPECT_EQ(CreateStagingDirectory(), L"");
    EXPECT_EQ(g_lastError, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(StagingTest, CopyPackageFileCopiesAndReplaces) {
    WriteText(source_ + L"a.msi", "new package");
    EXPECT_TRUE(CopyPackageFile(source_, destination_, L"a.msi"));
    EXPECT_EQ(ReadText(destination_ + L"a.msi"), "new package");

    WriteText(destination_ + L"b.msi", "old");
    WriteText(source_ + L"b.msi", "replacement");
    EXPECT_TRUE(CopyPackageFile(source_, destination_, L"b.msi"));
    EXPECT_EQ(ReadText(destination_ + L"b.msi"), "replacement");
    EXPECT_EQ(g_lastError, 0u);
}

TEST_F(StagingTest, CopyPackageFileReportsMissingSource) {
    EXPECT_FALSE(CopyPackageFile(source_, destination_, L"missing.msi"));
    EXPECT_EQ(g_lastError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(Exists(destination_ + L"missing.msi"));
}

TEST_F(StagingTest, CopyMatchingFilesCopiesOnlyMatches) {
    WriteText(source_ + L"one.cab", "1");
    WriteText(source_ + L"two.cab", "2");
    WriteText(source_ + L"readme.txt", "r");
    EXPECT_TRUE(CopyMatchingFiles(source_, destination_, L"*.cab"));
    EXPECT_EQ(g_lastError, 0u);
    EXPECT_EQ(SortedNames(destination_), (std::vector<std::wstring>{L"one.cab", L"two.cab"}));
    EXPECT_EQ(ReadText(destination_ + L"two.cab"), "2");
}

TEST_F(StagingTest, CopyMatchingFilesFailsWhenNothingMatches) {
    WriteText(source_ + L"package.msi", "m");
    EXPECT_FALSE(CopyMatchingFiles(source_, destination_, L"*.cab"));
    EXPECT_EQ(g_lastError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(StagingTest, LoneAsteriskInEmptyFolderMatchesOnlyDotEntries) {
    EXPECT_TRUE(CopyMatchingFiles(source_, destination_, L"*"));
    EXPECT_TRUE(SortedNames(destination_).empty());
}

TEST_F(StagingTest, FolderNamedLikeACabinetIsSkipped) {
    MakeFolder(L"source\\folder.cab");
    WriteText(source_ + L"folder.cab\\inner.cab", "i");
    WriteText(source_ + L"real.cab", "r");
    EXPECT_TRUE(CopyMatchingFiles(source_, destination_, L"*.cab"));
    EXPECT_EQ(SortedNames(destination_), (std::vector<std::wstring>{L"real.cab"}));
}

TEST_F(StagingTest, CopyStopsAtTheFirstFailure) {
    for (const wchar_t* name : {L"a.cab", L"b.cab", L"c.cab"}) {
        WriteText(source_ + name, "new");
    }
    const std::vector<std::wstring> order = EnumerationOrder(source_, L"*.cab");
    ASSERT_EQ(order.size(), 3u);
    // A folder of the same name at the destination makes the second copy fail.
    ASSERT_TRUE(CreateDirectoryW((destination_ + order[1]).c_str(), nullptr));

    EXPECT_FALSE(CopyMatchingFiles(source_, destination_, L"*.cab"));
    EXPECT_NE(g_lastError, 0u);
    EXPECT_EQ(ReadText(destination_ + order[0]), "new");
    EXPECT_TRUE(GetFileAttributesW((destination_ + order[1]).c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(Exists(destination_ + order[2])) << "entries after a failure are not tried";
}

TEST_F(StagingTest, DeletesFolderOfFiles) {
    const std::wstring folder = MakeFolder(L"QLN0001");
    WriteText(folder + L"package.msi", "m");
    WriteText(folder + L"data1.cab", "c");
    g_lastError = 99;
    EXPECT_TRUE(DeleteDirectoryTree(folder));
    EXPECT_EQ(g_lastError, 0u);
    EXPECT_FALSE(Exists(folder));
}

TEST_F(StagingTest, DeletesNestedFolders) {
    const std::wstring folder = MakeFolder(L"QLN0002");
    MakeFolder(L"QLN0002\\empty");
    MakeFolder(L"QLN0002\\full");
    MakeFolder(L"QLN0002\\full\\deeper");
    WriteText(folder + L"full\\one.txt", "1");
    WriteText(folder + L"full\\deeper\\two.txt", "2");
    WriteText(folder + L"top.txt", "t");
    EXPECT_TRUE(DeleteDirectoryTree(folder));
    EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(Exists(root_)) << "only the given folder goes";
}

TEST_F(StagingTest, ReadOnlyFileStopsDeletion) {
    const std::wstring folder = MakeFolder(L"QLN0003");
    for (const wchar_t* name : {L"a.cab", L"b.cab", L"c.cab"}) {
        WriteText(folder + name, "x");
    }
    const std::vector<std::wstring> order = EnumerationOrder(folder, L"*");
    ASSERT_EQ(order.size(), 3u);
    SetFileAttributesW((folder + order[1]).c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_FALSE(DeleteDirectoryTree(folder));
    EXPECT_FALSE(Exists(folder + order[0]));
    EXPECT_TRUE(Exists(folder + order[1]));
    EXPECT_TRUE(Exists(folder + order[2])) << "entries after the failure remain";
}

TEST_F(StagingTest, RefusesEmptyAndMissingFolders) {
    EXPECT_FALSE(DeleteDirectoryTree(L""));
    EXPECT_EQ(g_lastError, static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    EXPECT_FALSE(DeleteDirectoryTree(root_ + L"missing\\"));
    EXPECT_NE(g_lastError, 0u);
    EXPECT_TRUE(Exists(source_));
}

} // namespace

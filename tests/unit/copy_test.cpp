// The copies: each made new and locked, the matches of a pattern, and copies from read-only media.
#include "staging_fixture.h"
#include "file_io.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testfs::EnumerationOrder;
using testfs::Exists;
using testfs::SortedNames;

DWORD OpenError(const std::wstring& path, DWORD access, DWORD share) {
    const FileHandle file(
        CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr));
    return file.IsValid() ? ERROR_SUCCESS : GetLastError();
}

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

TEST_F(StagingTest, CopyPackageFileCopiesLocksAndNeverReplaces) {
    WriteText(source_ + L"a.msi", std::string(3 << 20, 'p') + "end");
    StagedFilesLock lock;
    EXPECT_TRUE(CopyPackageFile(source_, destination_, L"a.msi", lock));
    EXPECT_EQ(g_lastError, 0u);
    EXPECT_EQ(ReadText(destination_ + L"a.msi"), std::string(3 << 20, 'p') + "end");
    EXPECT_EQ(OpenError(destination_ + L"a.msi", GENERIC_WRITE, kShareAll),
              static_cast<DWORD>(ERROR_SHARING_VIOLATION))
        << "the copy is not locked as soon as it is made";

    // In a fresh folder, a name that exists is someone else's.
    WriteText(destination_ + L"b.msi", "someone else's");
    WriteText(source_ + L"b.msi", "replacement");
    EXPECT_FALSE(CopyPackageFile(source_, destination_, L"b.msi", lock));
    EXPECT_EQ(g_lastError, static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(ReadText(destination_ + L"b.msi"), "someone else's");
}

TEST_F(StagingTest, CopyPackageFileReportsMissingSource) {
    StagedFilesLock lock;
    EXPECT_FALSE(CopyPackageFile(source_, destination_, L"missing.msi", lock));
    EXPECT_EQ(g_lastError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(Exists(destination_ + L"missing.msi"));
}

TEST_F(StagingTest, CopyMatchingFilesCopiesOnlyMatches) {
    StagedFilesLock lock;
    WriteText(source_ + L"one.cab", "1");
    WriteText(source_ + L"two.cab", "2");
    WriteText(source_ + L"readme.txt", "r");
    EXPECT_TRUE(CopyMatchingFiles(source_, destination_, L"*.cab", lock));
    EXPECT_EQ(g_lastError, 0u);
    EXPECT_EQ(SortedNames(destination_), (std::vector<std::wstring>{L"one.cab", L"two.cab"}));
    EXPECT_EQ(ReadText(destination_ + L"two.cab"), "2");
}

TEST_F(StagingTest, CopyMatchingFilesFailsWhenNothingMatches) {
    StagedFilesLock lock;
    WriteText(source_ + L"package.msi", "m");
    EXPECT_FALSE(CopyMatchingFiles(source_, destination_, L"*.cab", lock));
    EXPECT_EQ(g_lastError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(StagingTest, LoneAsteriskInEmptyFolderMatchesOnlyDotEntries) {
    StagedFilesLock lock;
    EXPECT_TRUE(CopyMatchingFiles(source_, destination_, L"*", lock));
    EXPECT_TRUE(SortedNames(destination_).empty());
}

TEST_F(StagingTest, FolderNamedLikeACabinetIsSkipped) {
    StagedFilesLock lock;
    MakeFolder(L"source\\folder.cab");
    WriteText(source_ + L"folder.cab\\inner.cab", "i");
    WriteText(source_ + L"real.cab", "r");
    EXPECT_TRUE(CopyMatchingFiles(source_, destination_, L"*.cab", lock));
    EXPECT_EQ(SortedNames(destination_), (std::vector<std::wstring>{L"real.cab"}));
}

TEST_F(StagingTest, CopyStopsAtTheFirstFailure) {
    StagedFilesLock lock;
    for (const wchar_t* name : {L"a.cab", L"b.cab", L"c.cab"}) {
        WriteText(source_ + name, "new");
    }
    const std::vector<std::wstring> order = EnumerationOrder(source_, L"*.cab");
    ASSERT_EQ(order.size(), 3u);
    // A folder of the same name at the destination makes the second copy fail.
    ASSERT_TRUE(CreateDirectoryW((destination_ + order[1]).c_str(), nullptr));

    EXPECT_FALSE(CopyMatchingFiles(source_, destination_, L"*.cab", lock));
    EXPECT_NE(g_lastError, 0u);
    EXPECT_EQ(ReadText(destination_ + order[0]), "new");
    EXPECT_TRUE(testfs::IsDirectory(destination_ + order[1]));
    EXPECT_FALSE(Exists(destination_ + order[2])) << "entries after a failure are not tried";
}

TEST_F(StagingTest, CopyFromReadOnlyMediumIsWritableAndTheMediumStaysReadOnly) {
    WriteText(source_ + L"package.msi", "from a CD");
    ASSERT_TRUE(SetFileAttributesW((source_ + L"package.msi").c_str(), FILE_ATTRIBUTE_READONLY));
    const std::wstring staging = MakeFolder(L"QLN0004");

    StagedFilesLock lock;
    EXPECT_TRUE(CopyPackageFile(source_, staging, L"package.msi", lock));
    EXPECT_EQ(g_lastError, 0u);
    lock.Release();
    EXPECT_EQ(ReadText(staging + L"package.msi"), "from a CD");
    EXPECT_EQ(GetFileAttributesW((staging + L"package.msi").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_NE(GetFileAttributesW((source_ + L"package.msi").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_TRUE(DeleteDirectoryTree(staging));
}

TEST_F(StagingTest, LockedFilesCanOnlyBeRead) {
    const std::wstring staging = MakeFolder(L"QLN0005");
    MakeFolder(L"QLN0005\\sub");
    WriteText(staging + L"package.msi", "m");
    WriteText(staging + L"data1.cab", "c");
    const DWORD all = kShareAll;
    {
        StagedFilesLock lock;
        ASSERT_TRUE(lock.Add(staging, L"package.msi"));
        ASSERT_TRUE(lock.Add(staging, L"data1.cab"));
        for (const wchar_t* name : {L"package.msi", L"data1.cab"}) {
            SCOPED_TRACE(testfs::Narrow(name));
            const std::wstring path = staging + name;
            EXPECT_EQ(OpenError(path, GENERIC_WRITE, all),
                      static_cast<DWORD>(ERROR_SHARING_VIOLATION));
            EXPECT_EQ(OpenError(path, DELETE, all), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
            EXPECT_EQ(OpenError(path, GENERIC_READ, all), static_cast<DWORD>(ERROR_SUCCESS));
            EXPECT_FALSE(DeleteFileW(path.c_str()));
        }
        lock.Release();
        EXPECT_EQ(OpenError(staging + L"data1.cab", GENERIC_WRITE | DELETE, all),
                  static_cast<DWORD>(ERROR_SUCCESS));
    }
    EXPECT_TRUE(DeleteDirectoryTree(staging));

    StagedFilesLock missing;
    EXPECT_FALSE(missing.Add(root_, L"missing.cab"));
    EXPECT_NE(g_lastError, 0u);
}

} // namespace

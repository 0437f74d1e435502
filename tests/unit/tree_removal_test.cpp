// The removal of a staging folder and all it holds, now or at the restart, and its links.
#include "staging_fixture.h"
#include "file_io.h"
#include "launcher_places.h"
#include "wine_host.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using testfs::EnumerationOrder;
using testfs::Exists;
using testfs::RemoveTree;
using testfs::SortedNames;

// The removal's pauses before it tries again, taken at once and counted.
int g_pauses = 0;
void WINAPI CountPause(DWORD) {
    ++g_pauses;
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

TEST_F(StagingTest, AnEntryThatStaysDoesNotStopTheRestAndGoesAtRestart) {
    const std::wstring folder = MakeFolder(L"QLN0003");
    MakeFolder(L"QLN0003\\sub");
    for (const wchar_t* name : {L"a.cab", L"b.cab", L"c.cab", L"sub\\d.cab", L"sub\\e.cab"}) {
        WriteText(folder + name, "x");
    }
    // Whichever the walk meets first or last, one stays.
    const std::vector<std::wstring> order = EnumerationOrder(folder, L"*.cab");
    ASSERT_EQ(order.size(), 3u);
    SetFileAttributesW((folder + order[1]).c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW((folder + L"sub\\d.cab").c_str(), FILE_ATTRIBUTE_READONLY);

    g_pauses = 0;
    EXPECT_FALSE(DeleteDirectoryTree(folder, CountPause));
    EXPECT_EQ(g_pauses, 7) << "tried again for about two seconds";
    EXPECT_NE(g_lastError, 0u);
    EXPECT_EQ(SortedNames(folder), (std::vector<std::wstring>{order[1], L"sub"}));
    EXPECT_EQ(SortedNames(folder + L"sub\\"), std::vector<std::wstring>{L"d.cab"});
    const std::wstring path = folder.substr(0, folder.size() - 1);
    EXPECT_EQ(testfs::TakeRemovalsAtRestart(folder),
              (std::vector<std::wstring>{path + L"\\" + order[1], path + L"\\sub\\d.cab",
                                         path + L"\\sub", path}))
        << "what stays goes at the next restart, each entry before its folder";
}

TEST_F(StagingTest, RefusesEmptyAndMissingFolders) {
    // An empty folder would make the pattern "\\*", the root of the current
    // drive: here a drive that is this test's folder, so that a regression
    // could not reach beyond it (the host's root under Wine's Z:).
    const std::wstring scratch = MakeFolder(L"drive");
    WriteText(scratch + L"canary.txt", "still here");
    {
        winehost::ScratchDrive drive(scratch);
        ASSERT_FALSE(drive.Root().empty()) << "no drive for the scratch folder";
        EXPECT_FALSE(DeleteDirectoryTree(L""));
        EXPECT_EQ(g_lastError, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(ReadText(scratch + L"canary.txt"), "still here");

    EXPECT_FALSE(DeleteDirectoryTree(root_ + L"missing\\"));
    EXPECT_NE(g_lastError, 0u);
    EXPECT_TRUE(Exists(source_));
}

// A directory link planted in the folder, in a sub-folder, or put in the
// folder's own place, points at a victim folder beside it.
TEST_F(StagingTest, LinksAreRemovedAsEntriesAndNeverFollowed) {
    struct LinkCase {
        const char* name;
        const wchar_t* link;    // relative to the staging folder's parent
        const wchar_t* delete_; // what DeleteDirectoryTree is given, likewise
    };
    const LinkCase cases[] = {
        {"in the folder", L"QLN0006\\link", L"QLN0006\\"},
        {"in a sub-folder", L"QLN0006\\sub\\link", L"QLN0006\\"},
        {"in the folder's place", L"QLN0007", L"QLN0007\\"},
    };
    const bool removesLinks = winehost::RemovesDirectoryLinks(root_);
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring victim = MakeFolder(L"victim");
        WriteText(victim + L"precious.txt", "keep me");
        MakeFolder(L"victim\\inner");
        WriteText(victim + L"inner\\deep.txt", "keep me too");
        const std::wstring staging = MakeFolder(L"QLN0006");
        MakeFolder(L"QLN0006\\sub");
        WriteText(staging + L"package.msi", "m");
        ASSERT_TRUE(winehost::MakeSymbolicLink(victim, root_ + c.link));
        ASSERT_EQ(GetFileAttributesW((root_ + c.link).c_str()) &
                      (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
                  static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));

        const bool deleted = DeleteDirectoryTree(root_ + c.delete_, CountPause);

        EXPECT_EQ(testfs::Snapshot(victim),
                  (std::vector<std::pair<std::wstring, std::string>>{
                      {L"inner", "<missing>"}, {L"precious.txt", "keep me"}}));
        EXPECT_EQ(ReadText(victim + L"inner\\deep.txt"), "keep me too");
        if (removesLinks) {
            EXPECT_TRUE(deleted);
            EXPECT_FALSE(Exists(root_ + c.link));
            EXPECT_FALSE(Exists(root_ + c.delete_));
        } else {
            // Wine looks through the link when asked to remove it, and finds
            // the victim not empty: the link stays, and so does the folder.
            EXPECT_FALSE(deleted);
            EXPECT_EQ(ReadText(root_ + c.link + L"\\precious.txt"), "keep me");
        }
        winehost::RemoveSymbolicLink(root_ + c.link);
        RemoveTree(staging);
        RemoveTree(victim);
    }
}

TEST_F(StagingTest, HoldLetsGoOfAFolderItCouldNotEmptyAndSchedulesTheRest) {
    StagingFolderHold hold;
    const std::wstring staging = HeldFolder(root_, 0xC, hold);
    ASSERT_FALSE(staging.empty());
    WriteText(staging + L"stuck.cab", "x");
    WriteText(staging + L"package.msi", "m");
    ASSERT_TRUE(SetFileAttributesW((staging + L"stuck.cab").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(hold.DeleteTree(CountPause));
    EXPECT_EQ(SortedNames(staging), std::vector<std::wstring>{L"stuck.cab"});
    const std::wstring path = staging.substr(0, staging.size() - 1);
    EXPECT_EQ(testfs::TakeRemovalsAtRestart(staging),
              (std::vector<std::wstring>{path + L"\\stuck.cab", path}));
    EXPECT_TRUE(MoveFileW(path.c_str(), (root_ + L"renamed").c_str())) << "the hold was kept";
}

// An installer whose end could not be waited for may still read the copies:
// they go at the restart; the folder stays, so that its name stays taken
// while a product's source list may still name it. A mend that failed keeps
// the emptied folder the same way.
TEST_F(StagingTest, KeptFolderLosesItsEntriesNowOrAtTheRestartAndStays) {
    struct KeepCase {
        const char* name;
        bool now;
    };
    for (const KeepCase& c : {KeepCase{"scheduled", false}, KeepCase{"emptied", true}}) {
        SCOPED_TRACE(c.name);
        StagingFolderHold hold;
        const std::wstring staging = HeldFolder(root_, c.now ? 0xE : 0xD, hold);
        ASSERT_FALSE(staging.empty());
        WriteText(staging + L"package.msi", "m");
        const std::wstring path = staging.substr(0, staging.size() - 1);
        if (c.now) {
            EXPECT_TRUE(hold.EmptyTree(CountPause));
            EXPECT_EQ(SortedNames(staging), std::vector<std::wstring>{});
            EXPECT_EQ(testfs::TakeRemovalsAtRestart(staging), std::vector<std::wstring>{});
        } else {
            hold.ScheduleEntries();
            EXPECT_EQ(ReadText(staging + L"package.msi"), "m");
            EXPECT_EQ(testfs::TakeRemovalsAtRestart(staging),
                      std::vector<std::wstring>{path + L"\\package.msi"});
        }
        EXPECT_TRUE(Exists(staging)) << "the folder went";
        EXPECT_FALSE(MoveFileW(path.c_str(), (root_ + L"renamed").c_str())) << "not held";
    }
}

} // namespace

#include "staging/staging.h"
#include "test_files.h"
#include "wine_host.h"

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
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
        // What a test left for the next restart must not go when the prefix
        // boots again.
        testfs::TakeRemovalsAtRestart(root_);
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
        const std::wstring staging = CreateStagingDirectory(hold);
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

    EXPECT_FALSE(DeleteDirectoryTree(folder));
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

// Draws that ScriptedDraw hands out in turn; a draw past the end fails.
std::vector<unsigned> g_script;
size_t g_drawn = 0;

bool ScriptedDraw(unsigned& value) {
    if (g_drawn >= g_script.size()) {
        return false;
    }
    value = g_script[g_drawn++];
    return true;
}

std::vector<unsigned> Values(unsigned first, unsigned count) {
    std::vector<unsigned> values;
    for (unsigned value = first; value < first + count; ++value) {
        values.push_back(value);
    }
    return values;
}

TEST_F(StagingTest, NameGeneratorDrawsAgainOnlyForNamesThatExist) {
    struct NameCase {
        const char* name;
        std::vector<unsigned> takenFolders; // values whose folders exist beforehand
        std::vector<unsigned> takenFiles;   // values whose names a file has
        std::vector<unsigned> takenLinks;   // values whose names a link to a victim has
        std::vector<unsigned> draws;
        const wchar_t* created; // null when no folder may be made
        size_t drawsUsed;
        DWORD error;
    };
    const NameCase cases[] = {
        {"first name free", {}, {}, {}, {0x1A2B}, L"QLN1A2B", 1, 0},
        {"taken folder earns a fresh draw", {5}, {}, {}, {5, 0x7FFF}, L"QLN7FFF", 2, 0},
        {"a file takes the name too", {}, {6}, {}, {6, 0}, L"QLN0000", 2, 0},
        {"a link takes the name too", {}, {}, {7}, {7, 1}, L"QLN0001", 2, 0},
        {"sixteenth draw still counts", Values(0, 15), {}, {}, Values(0, 17), L"QLN000F", 16, 0},
        {"gives up after sixteen",
         Values(0, 16),
         {},
         {},
         Values(0, 17),
         nullptr,
         16,
         ERROR_ALREADY_EXISTS},
        {"failing generator makes nothing", {}, {}, {}, {}, nullptr, 0, ERROR_GEN_FAILURE},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring parent = MakeFolder(L"temp");
        const std::wstring victim = MakeFolder(L"victim");
        for (unsigned value : c.takenFolders) {
            const std::wstring folder = parent + StagingDirectoryName(value);
            ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
            WriteText(folder + L"owner.txt", "someone else's");
        }
        for (unsigned value : c.takenFiles) {
            std::wstring file = parent + StagingDirectoryName(value);
            file.pop_back();
            WriteText(file, "someone else's");
        }
        for (unsigned value : c.takenLinks) {
            std::wstring link = parent + StagingDirectoryName(value);
            link.pop_back();
            ASSERT_TRUE(winehost::MakeSymbolicLink(victim, link));
        }
        const std::vector<std::wstring> before = SortedNames(parent);
        g_script = c.draws;
        g_drawn = 0;

        StagingFolderHold hold;
        const std::wstring staging = CreateStagingDirectoryIn(parent, ScriptedDraw, hold);

        EXPECT_EQ(g_drawn, c.drawsUsed);
        EXPECT_EQ(g_lastError, c.error);
        std::vector<std::wstring> expected = before;
        if (c.created == nullptr) {
            EXPECT_EQ(staging, L"");
            EXPECT_FALSE(hold.IsHeld());
        } else {
            EXPECT_EQ(staging, parent + c.created + L"\\");
            EXPECT_TRUE(testfs::IsDirectory(staging));
            EXPECT_TRUE(SortedNames(staging).empty());
            EXPECT_TRUE(hold.IsHeld());
            expected.push_back(c.created);
            std::sort(expected.begin(), expected.end());
        }
        EXPECT_EQ(SortedNames(parent), expected);
        for (unsigned value : c.takenFolders) {
            EXPECT_EQ(ReadText(parent + StagingDirectoryName(value) + L"owner.txt"),
                      "someone else's")
                << "a folder that existed was changed";
        }
        EXPECT_TRUE(SortedNames(victim).empty()) << "a folder was made where a link points";
        hold.DeleteTree();
        for (unsigned value : c.takenLinks) {
            std::wstring link = parent + StagingDirectoryName(value);
            link.pop_back();
            winehost::RemoveSymbolicLink(link);
        }
        RemoveTree(parent);
        RemoveTree(victim);
    }
}

TEST_F(StagingTest, NameGeneratorStopsAtOtherFailures) {
    g_script = {1, 2};
    g_drawn = 0;
    StagingFolderHold hold;
    EXPECT_EQ(CreateStagingDirectoryIn(root_ + L"missing\\", ScriptedDraw, hold), L"");
    EXPECT_EQ(g_lastError, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(g_drawn, 1u) << "only a taken name earns another draw";
}

TEST(DrawStagingValueTest, SpreadsOverTheWholeRange) {
    std::set<unsigned> values;
    bool highHalf = false;
    for (int i = 0; i < 64; ++i) {
        unsigned value = 0x10000;
        ASSERT_TRUE(DrawStagingValue(value));
        ASSERT_LE(value, 0x7FFFu);
        values.insert(value);
        highHalf = highHalf || value >= 0x4000;
    }
    // Collisions among 64 draws from 32768 values are rare; a clock-seeded or
    // narrow draw repeats itself.
    EXPECT_GE(values.size(), 60u);
    EXPECT_TRUE(highHalf);
}

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
    BYTE buffer[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(buffer);
    return CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(sid, buffer);
}

bool IsCurrentUser(PSID sid) {
    KernelHandle token;
    BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    DWORD size = 0;
    const bool read = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()) &&
                      GetTokenInformation(token.Get(), TokenUser, user, sizeof(user), &size);
    return read && EqualSid(sid, reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
}

// Whom of the ordinary users the folder's access list grants anything, and
// whether SYSTEM has full control.
struct Admitted {
    std::vector<std::string> others;
    bool systemFullControl = false;
};

Admitted WhomTheFolderAdmits(const std::wstring& folder) {
    Admitted admitted;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        admitted.others.push_back("<no security to read>");
        return admitted;
    }
    if (dacl == nullptr) {
        admitted.others.push_back("everyone: no access control list");
    }
    const std::pair<WELL_KNOWN_SID_TYPE, const char*> ordinary[] = {
        {WinWorldSid, "Everyone"},
        {WinBuiltinUsersSid, "Users"},
        {WinAuthenticatedUserSid, "Authenticated Users"},
        {WinInteractiveSid, "Interactive"},
        {WinCreatorOwnerSid, "CREATOR OWNER"},
        {WinCreatorOwnerRightsSid, "OWNER RIGHTS"},
    };
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&header)) ||
            header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            continue;
        }
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        const PSID sid = &ace->SidStart;
        for (const auto& group : ordinary) {
            if (IsWellKnown(sid, group.first)) {
                admitted.others.push_back(group.second);
            }
        }
        // Wine grants every file's Unix owner, the token's user, an entry of
        // its own: only Windows can show the user's account left out.
        if (IsCurrentUser(sid) && winehost::UnixPath(folder).empty()) {
            admitted.others.push_back("the user who runs the launcher");
        }
        if (IsWellKnown(sid, WinLocalSystemSid)) {
            admitted.systemFullControl = (ace->Mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS;
        }
    }
    LocalFree(descriptor);
    return admitted;
}

// Wine keeps no access control list: it maps one onto the folder's Unix mode
// bits and builds one back from them, so that Administrators show as the
// folder's owner, and neither the protection nor the inheritance by the files
// inside can be read back here. What it shows: whom the folder admits. A
// folder that admits Everyone shows that the check can tell.
TEST_F(StagingTest, StagingFolderAdmitsNobodyButAdministratorsAndSystem) {
    StagingFolderHold hold;
    std::wstring staging = CreateStagingDirectoryIn(root_, DrawStagingValue, hold);
    ASSERT_FALSE(staging.empty());
    staging.pop_back();
    const Admitted admitted = WhomTheFolderAdmits(staging);
    EXPECT_TRUE(admitted.others.empty()) << admitted.others.front() << " is admitted";
    EXPECT_TRUE(admitted.systemFullControl);

    LocalMemory open;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;FA;;;WD)", SDDL_REVISION_1, open.Receive(),
        nullptr));
    SECURITY_ATTRIBUTES everyone = {sizeof(everyone), open.Get(), FALSE};
    const std::wstring control = root_ + L"open-to-everyone";
    ASSERT_TRUE(CreateDirectoryW(control.c_str(), &everyone));
    EXPECT_EQ(WhomTheFolderAdmits(control).others, std::vector<std::string>{"Everyone"});
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

        const bool deleted = DeleteDirectoryTree(root_ + c.delete_);

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

// In a temporary folder of the user's own, the user may rename or delete a
// folder whatever its own security says; the hold keeps it in place.
// A held folder, made by CreateStagingDirectoryIn under the drawn value.
std::wstring HeldFolder(const std::wstring& parent, unsigned value, StagingFolderHold& hold) {
    g_script = {value};
    g_drawn = 0;
    return CreateStagingDirectoryIn(parent, ScriptedDraw, hold);
}

TEST_F(StagingTest, HeldFolderStaysInPlaceUntilItIsDeletedThroughTheHold) {
    StagingFolderHold hold;
    const std::wstring staging = HeldFolder(root_, 8, hold);
    ASSERT_EQ(staging, root_ + L"QLN0008\\");
    WriteText(staging + L"package.msi", "m");
    MakeFolder(L"QLN0008\\sub");
    WriteText(staging + L"sub\\inner.cab", "c");
    const std::wstring path = staging.substr(0, staging.size() - 1);

    EXPECT_FALSE(MoveFileW(path.c_str(), (root_ + L"renamed").c_str()));
    EXPECT_FALSE(Exists(root_ + L"renamed"));
    EXPECT_EQ(ReadText(staging + L"package.msi"), "m") << "the held folder was taken away";
    EXPECT_FALSE(RemoveDirectoryW(path.c_str())) << "the folder went while it was held";

    g_lastError = 99;
    EXPECT_TRUE(hold.DeleteTree());
    EXPECT_EQ(g_lastError, 0u);
    EXPECT_FALSE(Exists(staging));
    EXPECT_TRUE(testfs::TakeRemovalsAtRestart(staging).empty());
}

TEST_F(StagingTest, HoldLetsGoOfAFolderItCouldNotEmptyAndSchedulesTheRest) {
    StagingFolderHold hold;
    const std::wstring staging = HeldFolder(root_, 0xC, hold);
    ASSERT_FALSE(staging.empty());
    WriteText(staging + L"stuck.cab", "x");
    WriteText(staging + L"package.msi", "m");
    ASSERT_TRUE(SetFileAttributesW((staging + L"stuck.cab").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(hold.DeleteTree());
    EXPECT_EQ(SortedNames(staging), std::vector<std::wstring>{L"stuck.cab"});
    const std::wstring path = staging.substr(0, staging.size() - 1);
    EXPECT_EQ(testfs::TakeRemovalsAtRestart(staging),
              (std::vector<std::wstring>{path + L"\\stuck.cab", path}));
    EXPECT_TRUE(MoveFileW(path.c_str(), (root_ + L"renamed").c_str())) << "the hold was kept";
}

// An installer whose end could not be waited for may still read the copies.
TEST_F(StagingTest, ScheduledTreeIsLeftAsItIsUntilTheNextRestart) {
    StagingFolderHold hold;
    const std::wstring staging = HeldFolder(root_, 0xD, hold);
    ASSERT_FALSE(staging.empty());
    WriteText(staging + L"package.msi", "m");
    hold.ScheduleTree();
    EXPECT_EQ(ReadText(staging + L"package.msi"), "m");
    const std::wstring path = staging.substr(0, staging.size() - 1);
    EXPECT_EQ(testfs::TakeRemovalsAtRestart(staging),
              (std::vector<std::wstring>{path + L"\\package.msi", path}));
}

} // namespace

namespace {

// The tests' own clean-up, as root under Wine, where Z: is the host's root:
// a scratch folder that an interrupted test left as a link must go as the
// link, whatever it points to.
TEST_F(StagingTest, ScratchRemovalTakesALinkInTheFoldersPlaceAsALink) {
    const std::wstring victim = MakeFolder(L"victim");
    WriteText(victim + L"precious.txt", "keep me");
    MakeFolder(L"victim\\inner");
    WriteText(victim + L"inner\\deep.txt", "keep me too");
    const std::wstring link = root_ + L"scratch-link";
    ASSERT_TRUE(winehost::MakeSymbolicLink(victim, link));

    EXPECT_FALSE(winehost::RemoveTreeInPrefix(link + L"\\")) << "a link was taken for a folder";
    RemoveTree(link + L"\\");

    EXPECT_FALSE(Exists(link)) << "the link stayed";
    EXPECT_EQ(ReadText(victim + L"precious.txt"), "keep me");
    EXPECT_EQ(ReadText(victim + L"inner\\deep.txt"), "keep me too");
}

} // namespace

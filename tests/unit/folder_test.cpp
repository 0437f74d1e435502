// The staging folder: its name, the draws, the folder made and held, and whom it admits.
#include "staging_fixture.h"
#include "file_io.h"
#include "launcher_places.h"
#include "wine_host.h"

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

using testfs::Exists;
using testfs::RemoveTree;
using testfs::SortedNames;

TEST(StagingDirectoryNameTest, FourUppercaseDigitsAndBackslash) {
    const std::pair<int, const wchar_t*> cases[] = {
        {0, L"QLN0000\\"},     {5, L"QLN0005\\"},     {0x1A2B, L"QLN1A2B\\"},
        {0xabc, L"QLN0ABC\\"}, {32767, L"QLN7FFF\\"}, {0x8005, L"QLN0005\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StagingDirectoryName(c.first), c.second) << c.first;
    }
}

// What an earlier run, of any build, may have named; nothing else.
TEST(IsStagingFolderNameTest, QlnAndFourHexadecimalDigits) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"QLN0000", true},   {L"QLN7FFE", true},   {L"qln00ab", true},     {L"QLN7FF", false},
        {L"QLN7FFEE", false}, {L"QLN7FFE\\", true}, {L"QLN7FFE\\x", false}, {L"QLNXY12", false},
        {L"QLM0000", false},  {L"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsStagingFolderName(c.first), c.second) << testing::PrintToString(c.first);
    }
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
            // An OWNER RIGHTS entry that lets an owner read the access list
            // is the one that takes from owners the right to change it.
            const bool ownerMayOnlyRead =
                group.first == WinCreatorOwnerRightsSid && (ace->Mask & ~READ_CONTROL) == 0;
            if (IsWellKnown(sid, group.first) && !ownerMayOnlyRead) {
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

// In a temporary folder of the user's own, the user may rename or delete a
// folder whatever its own security says; the hold keeps it in place.
// Wine stores no access list and sets no owner: what only Windows shows of
// the staging folder's security is read here from the descriptor that the
// launcher makes it with (and its copies and logs).
TEST(StagingSecurityTest, OwnedByAdministratorsAndNoOwnerMayChangeTheAccessList) {
    struct Entry {
        std::wstring sid;
        DWORD mask;
    };
    struct SecurityCase {
        const char* name;
        std::wstring userSid;
        std::wstring owner;
        std::vector<Entry> entries;
    };
    const std::wstring user = L"S-1-5-21-1004336348-1177238915-682003330-1001";
    const SecurityCase cases[] = {
        {"elevated",
         L"",
         L"S-1-5-32-544",
         {{L"S-1-5-32-544", FILE_ALL_ACCESS},
          {L"S-1-5-18", FILE_ALL_ACCESS},
          {L"S-1-3-4", READ_CONTROL}}},
        // In the user's own TMP, which the user controls anyway.
        {"not elevated",
         user,
         L"",
         {{L"S-1-5-32-544", FILE_ALL_ACCESS},
          {L"S-1-5-18", FILE_ALL_ACCESS},
          {user, FILE_ALL_ACCESS}}},
    };
    for (const SecurityCase& c : cases) {
        SCOPED_TRACE(c.name);
        LocalMemory descriptor;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
            StagingSecurity(c.userSid).c_str(), SDDL_REVISION_1, descriptor.Receive(), nullptr));
        PSID owner = nullptr;
        BOOL defaulted = FALSE;
        ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor.Get(), &owner, &defaulted));
        LocalMemory ownerText;
        if (owner != nullptr) {
            ASSERT_TRUE(
                ConvertSidToStringSidW(owner, reinterpret_cast<LPWSTR*>(ownerText.Receive())));
        }
        EXPECT_EQ(owner == nullptr ? L"" : static_cast<const wchar_t*>(ownerText.Get()), c.owner);
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        ASSERT_TRUE(GetSecurityDescriptorControl(descriptor.Get(), &control, &revision));
        EXPECT_NE(control & SE_DACL_PROTECTED, 0) << "the parent's entries flow in";
        BOOL present = FALSE;
        PACL dacl = nullptr;
        ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.Get(), &present, &dacl, &defaulted));
        ASSERT_TRUE(present && dacl != nullptr);
        ASSERT_EQ(dacl->AceCount, c.entries.size());
        for (DWORD i = 0; i < dacl->AceCount; ++i) {
            ACCESS_ALLOWED_ACE* ace = nullptr;
            ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
            LocalMemory sid;
            ASSERT_TRUE(
                ConvertSidToStringSidW(&ace->SidStart, reinterpret_cast<LPWSTR*>(sid.Receive())));
            EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
            EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)
                << "not inherited by everything inside";
            EXPECT_EQ(static_cast<const wchar_t*>(sid.Get()), c.entries[i].sid);
            EXPECT_EQ(ace->Mask, c.entries[i].mask) << testfs::Narrow(c.entries[i].sid);
        }
    }
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

} // namespace

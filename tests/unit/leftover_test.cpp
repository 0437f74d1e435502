// Staging folders that earlier runs left, told from those a running launcher holds and from
// anybody else's.
#include "staging_fixture.h"
#include "file_io.h"
#include "wine_host.h"

#include "staging/leftover.h"

#include <sddl.h>

#include <gtest/gtest.h>

namespace {

// Only a folder that administrators own and alone may open is a launcher's:
// no ordinary user can make one. Windows' own security of the launcher's
// folders, as strings; Wine stores no owner, so the folders below show the
// rest.
TEST(IsLauncherSecurityTest, OwnedByAdministratorsAndAdmittingThemAlone) {
    const std::wstring user = L"S-1-5-21-1004336348-1177238915-682003330-1001";
    const struct {
        const char* name;
        std::wstring sddl;
        bool launchers;
    } cases[] = {
        {"a launcher's", StagingSecurity(L""), true},
        {"owned by SYSTEM", L"O:SYD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", true},
        {"owned by the elevated user, admitting them",
         L"O:" + user + L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;" + user + L")", true},
        {"denying someone", L"O:BAD:P(D;;FA;;;WD)(A;OICI;FA;;;BA)", true},
        {"owned by another user", L"O:S-1-5-21-1-2-3-1002D:P(A;OICI;FA;;;BA)", false},
        {"admitting everyone", L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FR;;;WD)", false},
        {"admitting users", L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)", false},
        {"admitting another user", L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;S-1-5-21-1-2-3-1002)",
         false},
        {"an owner may change the list", L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;WD;;;S-1-3-4)", false},
        {"no access list: everyone", L"O:BA", false},
        {"no owner", L"D:P(A;OICI;FA;;;BA)", false},
    };
    for (const auto& c : cases) {
        LocalMemory security;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
            c.sddl.c_str(), SDDL_REVISION_1, security.Receive(), nullptr))
            << c.name;
        EXPECT_EQ(IsLauncherSecurity(security.Get(), user), c.launchers) << c.name;
    }
}

// Each kind of entry a staging folder's name may stand for, judged and
// looked for: only a launcher's folder that no launcher holds is a leftover.
TEST_F(StagingTest, OnlyLaunchersFoldersNobodyHoldsAreLeftovers) {
    const TokenFacts token = ReadToken();
    StagingFolderHold held;
    const std::wstring live = HeldFolder(root_, 0x111, held);
    StagingFolderHold released;
    const std::wstring kept = HeldFolder(root_, 0x222, released);
    ASSERT_TRUE(!live.empty() && !kept.empty());
    ASSERT_TRUE(released.EmptyTree());
    // The process's own hold goes as a launcher's does when it ends.
    released = StagingFolderHold();
    const std::wstring own = HeldFolder(root_, 0x333, released);
    const std::wstring anybodys = MakeFolder(L"QLN0666");
    WriteText(root_ + L"QLN0444", "a file");
    const std::wstring victim = MakeFolder(L"victim");
    ASSERT_TRUE(winehost::MakeSymbolicLink(victim, root_ + L"QLN0555"));
    struct FolderCase {
        const char* name;
        std::wstring folder;
        FolderState state;
    };
    const FolderCase cases[] = {
        {"held by a running launcher", live, FolderState::Held},
        {"kept by an earlier run", kept, FolderState::Free},
        {"gone", root_ + L"QLN0777\\", FolderState::Gone},
        {"anybody's folder", anybodys, FolderState::NotOurs},
        {"a file", root_ + L"QLN0444", FolderState::NotOurs},
        {"a link", root_ + L"QLN0555\\", FolderState::NotOurs},
    };
    for (const FolderCase& c : cases) {
        EXPECT_EQ(JudgeStagingFolder(c.folder, token.userSid), c.state) << c.name;
    }
    EXPECT_EQ(FindLeftoverFolders({root_}, own, token), std::vector<std::wstring>{kept});
    winehost::RemoveSymbolicLink(root_ + L"QLN0555");
    EXPECT_TRUE(held.DeleteTree());
}

// Only roots that administrators alone control; none without elevation.
TEST(AdministratorsRootsTest, ByToken) {
    TokenFacts user;
    user.elevated = false;
    EXPECT_TRUE(AdministratorsRoots(user).empty());
    TokenFacts administrator;
    std::wstring windowsTemp;
    ASSERT_TRUE(RootFolder(StagingRoot::WindowsTemp, windowsTemp));
    EXPECT_EQ(AdministratorsRoots(administrator), std::vector<std::wstring>{windowsTemp});
    TokenFacts system;
    system.systemAccount = true;
    EXPECT_EQ(AdministratorsRoots(system).size(), 2u);
}

} // namespace

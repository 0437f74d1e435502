// The tests' own fixture: its scratch removal never reaches beyond the scratch
// folder, and TMP goes back as it was.
#include "staging_fixture.h"
#include "file_io.h"
#include "wine_host.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using testfs::Exists;
using testfs::RemoveTree;

std::optional<std::wstring> Tmp() {
    wchar_t value[1024] = {};
    const DWORD size = GetEnvironmentVariableW(L"TMP", value, 1024);
    return size == 0 ? std::nullopt : std::optional<std::wstring>(value);
}

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

// A test of the fixture that leaves TMP alone finds it unchanged afterwards,
// and one that points it elsewhere finds it as it was, set or not.
TEST(StagingFixtureTest, PutsTmpBackAsItWas) {
    class Probe : public StagingTest {
      public:
        void Run(bool point) {
            SetUp();
            if (point) {
                PointTmpAt(root_);
                PointTmpAt(root_ + L"again\\");
            }
            TearDown();
        }

      private:
        void TestBody() override {}
    };
    struct TmpCase {
        const char* name;
        const wchar_t* tmp;
        bool point;
    };
    const TmpCase cases[] = {
        {"set, left alone", L"C:\\set\\", false},
        {"set, pointed", L"C:\\set\\", true},
        {"not set, pointed", nullptr, true},
    };
    const std::optional<std::wstring> before = Tmp();
    for (const TmpCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetEnvironmentVariableW(L"TMP", c.tmp);
        Probe().Run(c.point);
        EXPECT_EQ(Tmp(), c.tmp ? std::optional<std::wstring>(c.tmp) : std::nullopt);
    }
    SetEnvironmentVariableW(L"TMP", before ? before->c_str() : nullptr);
}

} // namespace

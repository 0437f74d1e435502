// The tests' own scratch removal, which must never reach beyond the scratch folder.
#include "staging_fixture.h"
#include "file_io.h"
#include "wine_host.h"

#include <gtest/gtest.h>

namespace {

using testfs::Exists;
using testfs::RemoveTree;

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

// What the installed products keep as their sources after a run.
#include "msi/source_list.h"

#include <gtest/gtest.h>

namespace {

// Each case gives the lists of the products a run finds and what must change in each.
TEST(ChooseSourceListChangeTest, StagingFoldersGoAndTheMediumComesFirstWhereThisRunInstalled) {
    const std::vector<std::wstring> roots = {L"C:\\Windows\\Temp\\", L"C:\\Windows\\SystemTemp\\",
                                             L"C:\\Users\\ann\\AppData\\Local\\Temp\\"};
    const std::wstring staging = L"C:\\Windows\\Temp\\QLN1A2B\\";
    const std::wstring older = L"C:\\Windows\\Temp\\QLN0007\\";
    const std::wstring launcher = L"E:\\";
    const std::wstring medium = L"E:\\Package\\";
    struct Expected {
        std::vector<std::wstring> removed;
        std::wstring added;
    };
    struct SourceCase {
        const char* name;
        std::vector<std::vector<std::wstring>> lists;
        std::wstring stagingFolder;
        std::wstring launcherFolder;
        std::vector<Expected> expected;
        // The staging folders that another running launcher holds.
        std::vector<std::wstring> live = {};
    };
    const SourceCase cases[] = {
        {"this run's folder", {{staging}}, staging, launcher, {{{staging}, medium}}},
        // A transform gave the product another code: it is found by its source.
        {"a product code changed by a transform, beside an unrelated product",
         {{L"D:\\Setup\\"}, {staging}},
         staging,
         launcher,
         {{{}, L""}, {{staging}, medium}}},
        {"two products named by this run's folder",
         {{staging}, {L"c:\\windows\\temp\\qln1a2b"}},
         staging,
         launcher,
         {{{staging}, medium}, {{L"c:\\windows\\temp\\qln1a2b"}, medium}}},
        // Nothing of this run's is there: the medium is not that product's.
        {"an older run's folder, and one in the user's TMP, get no medium",
         {{older, L"C:\\Users\\ann\\AppData\\Local\\Temp\\QLN7FFF\\"}},
         staging,
         launcher,
         {{{older, L"C:\\Users\\ann\\AppData\\Local\\Temp\\QLN7FFF\\"}, L""}}},
        {"a run that staged nothing mends older runs' folders",
         {{older}, {L"D:\\Setup\\"}},
         L"",
         L"",
         {{{older}, L""}, {{}, L""}}},
        {"another case, no trailing backslash",
         {{L"c:\\windows\\temp\\qln1a2b", L"C:\\WINDOWS\\SYSTEMTEMP\\qlnBEEF"}},
         staging,
         launcher,
         {{{L"c:\\windows\\temp\\qln1a2b", L"C:\\WINDOWS\\SYSTEMTEMP\\qlnBEEF"}, medium}}},
        {"folders elsewhere stay: nothing to do",
         {{L"D:\\Setup\\QLN1234\\", L"C:\\Windows\\Temp\\Other\\QLN1234\\", L"\\\\server\\share\\",
           L"E:\\Package\\"}},
         staging,
         launcher,
         {{{}, L""}}},
        {"names that only look alike stay",
         {{L"C:\\Windows\\Temp\\QLN12345\\", L"C:\\Windows\\Temp\\QLN12G4\\",
           L"C:\\Windows\\Temp\\QLN\\", L"C:\\Windows\\Temp\\XQLN1234\\"}},
         staging,
         launcher,
         {{{}, L""}}},
        {"the medium's own folder",
         {{L"E:\\Package\\", staging}},
         staging,
         L"E:\\Media\\",
         {{{staging}, L"E:\\Media\\Package\\"}}},
        {"own folder unknown", {{staging, L"D:\\Setup\\"}}, staging, L"", {{{staging}, L""}}},
        {"no product at all", {}, staging, launcher, {}},
        // Another launcher runs: its installer may have named its folder,
        // which that run mends itself. A folder nobody holds any more (one
        // an earlier run kept, empty, or one gone) goes, as do the others.
        {"this run's, a live run's, a kept and a deleted folder, and another kind",
         {{staging, L"C:\\Windows\\Temp\\QLN2222\\", older, L"C:\\Windows\\Temp\\QLN3333",
           L"C:\\Windows\\Temp\\Other\\"}},
         staging,
         launcher,
         {{{staging, older, L"C:\\Windows\\Temp\\QLN3333"}, medium}},
         {L"c:\\windows\\temp\\qln2222"}},
        {"a run that staged nothing leaves a live run's folder",
         {{L"C:\\Windows\\Temp\\QLN2222\\"}},
         L"",
         L"",
         {{{}, L""}},
         {L"C:\\Windows\\Temp\\QLN2222\\"}},
    };
    for (const SourceCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.lists.size(), c.expected.size());
        for (size_t list = 0; list < c.lists.size(); ++list) {
            const SourceListChange change = ChooseSourceListChange(
                c.lists[list], roots, c.stagingFolder, c.launcherFolder, c.live);
            EXPECT_EQ(change.remove, c.expected[list].removed) << list;
            EXPECT_EQ(change.add, c.expected[list].added) << list;
        }
    }
}

} // namespace

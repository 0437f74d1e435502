// What the installed product keeps as its source after a run.
#include "app/product_source.h"

#include <gtest/gtest.h>

namespace {

TEST(ChooseSourceListChangeTest, StagingFoldersGoAndTheMediumComesFirst) {
    const std::vector<std::wstring> roots = {L"C:\\Windows\\Temp\\", L"C:\\Windows\\SystemTemp\\",
                                             L"C:\\Users\\ann\\AppData\\Local\\Temp\\"};
    const std::wstring staging = L"C:\\Windows\\Temp\\QLN1A2B\\";
    const std::wstring launcher = L"E:\\";
    struct SourceCase {
        const char* name;
        std::vector<std::wstring> sources;
        std::wstring launcherFolder;
        std::vector<std::wstring> removed;
        std::wstring added;
    };
    const SourceCase cases[] = {
        {"this run's folder", {staging}, launcher, {staging}, L"E:\\Package\\"},
        {"an older run's, and one in the user's TMP",
         {L"C:\\Windows\\Temp\\QLN0007\\", L"C:\\Users\\ann\\AppData\\Local\\Temp\\QLN7FFF\\"},
         launcher,
         {L"C:\\Windows\\Temp\\QLN0007\\", L"C:\\Users\\ann\\AppData\\Local\\Temp\\QLN7FFF\\"},
         L"E:\\Package\\"},
        {"another case, no trailing backslash",
         {L"c:\\windows\\temp\\qln1a2b", L"C:\\WINDOWS\\SYSTEMTEMP\\qlnBEEF"},
         launcher,
         {L"c:\\windows\\temp\\qln1a2b", L"C:\\WINDOWS\\SYSTEMTEMP\\qlnBEEF"},
         L"E:\\Package\\"},
        {"folders elsewhere stay",
         {L"D:\\Setup\\QLN1234\\", L"C:\\Windows\\Temp\\Other\\QLN1234\\", L"\\\\server\\share\\",
          L"E:\\Package\\"},
         launcher,
         {},
         L"E:\\Package\\"},
        {"names that only look alike stay",
         {L"C:\\Windows\\Temp\\QLN12345\\", L"C:\\Windows\\Temp\\QLN12G4\\",
          L"C:\\Windows\\Temp\\QLN\\", L"C:\\Windows\\Temp\\XQLN1234\\"},
         launcher,
         {},
         L"E:\\Package\\"},
        {"the medium's own folder",
         {L"E:\\Package\\", staging},
         L"E:\\Media\\",
         {staging},
         L"E:\\Media\\Package\\"},
        {"own folder unknown", {staging, L"D:\\Setup\\"}, L"", {staging}, L""},
        {"no source at all", {}, launcher, {}, L"E:\\Package\\"},
    };
    for (const SourceCase& c : cases) {
        const SourceListChange change =
            ChooseSourceListChange(c.sources, roots, staging, c.launcherFolder);
        EXPECT_EQ(change.remove, c.removed) << c.name;
        EXPECT_EQ(change.add, c.added) << c.name;
    }
}

} // namespace

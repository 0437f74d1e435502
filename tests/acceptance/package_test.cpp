// The built MSIs as databases: what the installs alone would not show.
#include "sample_package.h"
#include "file_io.h"

#include <msi.h>
#include <msiquery.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testfs::Narrow;
using Rows = std::vector<std::vector<std::wstring>>;

// Every row of a query, each field as text; one row "<error>" when it fails.
Rows Query(const std::wstring& msiPath, const std::wstring& query) {
    const Result<Rows> rows = PackageRows(msiPath, query);
    return rows ? *rows : Rows{{L"<error>"}};
}

std::wstring Template(const std::wstring& msiPath) {
    std::wstring result = L"<unreadable>";
    MSIHANDLE summary = 0;
    if (MsiGetSummaryInformationW(0, msiPath.c_str(), 0, &summary) != ERROR_SUCCESS) {
        return result;
    }
    UINT type = 0;
    INT number = 0;
    FILETIME time = {};
    wchar_t value[256] = {};
    DWORD size = 256;
    if (MsiSummaryInfoGetPropertyW(summary, 7, &type, &number, &time, value, &size) ==
        ERROR_SUCCESS) {
        result.assign(value, size);
    }
    MsiCloseHandle(summary);
    return result;
}

struct PackageCase {
    const wchar_t* package;
    const wchar_t* platform;
    const wchar_t* programFiles;
    bool win64;
};

const PackageCase kPackages[] = {
    {kX86, L"Intel", L"ProgramFilesFolder", false},
    {kX64, L"x64", L"ProgramFiles64Folder", true},
};

class PackageTest : public testing::TestWithParam<PackageCase> {
  protected:
    std::wstring Msi() const {
        return PackageDir() + GetParam().package;
    }
};

TEST_P(PackageTest, TemplateNamesThePlatformAndEveryTransformLanguage) {
    EXPECT_EQ(Template(Msi()),
              std::wstring(GetParam().platform) + L";1033,1041,1028,1043,1031,1036,1040");
}

TEST_P(PackageTest, ComponentsMatchThePlatform) {
    const Rows components = Query(Msi(), L"SELECT `Component`, `Attributes` FROM `Component`");
    ASSERT_FALSE(components.empty());
    for (const auto& row : components) {
        ASSERT_EQ(row.size(), 2u);
        const bool win64 = (std::stoi(row[1]) & 256) != 0;
        EXPECT_EQ(win64, GetParam().win64) << Narrow(row[0]);
    }
    // The files' folder lies under the platform's Program Files.
    const Rows fileFolder =
        Query(Msi(), L"SELECT `Directory_` FROM `Component` WHERE `Component` = 'DriverFiles'");
    ASSERT_EQ(fileFolder.size(), 1u);
    std::wstring directory = fileFolder[0][0];
    std::vector<std::wstring> chain;
    while (!directory.empty() && chain.size() < 10) {
        chain.push_back(directory);
        const Rows parent =
            Query(Msi(), L"SELECT `Directory_Parent` FROM `Directory` WHERE `Directory` = '" +
                             directory + L"'");
        directory = parent.size() == 1 ? parent[0][0] : L"";
    }
    EXPECT_NE(std::find(chain.begin(), chain.end(), GetParam().programFiles), chain.end());
}

TEST_P(PackageTest, InstalledFlagIsAComponentOfItsOwn) {
    const Rows flag = Query(Msi(), L"SELECT `Registry`, `Root`, `Key`, `Value`, `Component_` "
                                   L"FROM `Registry` WHERE `Name` = 'installed'");
    ASSERT_EQ(flag.size(), 1u);
    EXPECT_EQ(flag[0][1], L"1") << "not under HKEY_CURRENT_USER";
    EXPECT_EQ(flag[0][2], kProductKey);
    EXPECT_EQ(flag[0][3], L"#1") << "not REG_DWORD 1";
    const std::wstring component = flag[0][4];
    EXPECT_EQ(Query(Msi(),
                    L"SELECT `Registry` FROM `Registry` WHERE `Component_` = '" + component + L"'"),
              Rows{{flag[0][0]}});
    EXPECT_EQ(Query(Msi(), L"SELECT `File` FROM `File` WHERE `Component_` = '" + component + L"'"),
              Rows{});
    EXPECT_EQ(
        Query(Msi(), L"SELECT `KeyPath` FROM `Component` WHERE `Component` = '" + component + L"'"),
        Rows{{flag[0][0]}});
}

TEST_P(PackageTest, HoldsExactlyTheSixLanguageTransforms) {
    Rows storages = Query(Msi(), L"SELECT `Name` FROM `_Storages`");
    std::sort(storages.begin(), storages.end());
    EXPECT_EQ(storages, (Rows{{L"de-DE.mst"},
                              {L"fr-FR.mst"},
                              {L"it-IT.mst"},
                              {L"ja-JP.mst"},
                              {L"nl-NL.mst"},
                              {L"zh-TW.mst"}}));
}

TEST_P(PackageTest, CabinetBesideItCoversEveryFile) {
    const Rows media = Query(Msi(), L"SELECT `Cabinet`, `LastSequence` FROM `Media`");
    ASSERT_EQ(media.size(), 1u);
    const std::wstring cabinet = media[0][0];
    ASSERT_FALSE(cabinet.empty());
    EXPECT_NE(cabinet[0], L'#') << "the cabinet is embedded";
    EXPECT_EQ(testfs::ReadBytes(PackageDir() + cabinet).substr(0, 4), "MSCF") << Narrow(cabinet);
    const Rows sequences = Query(Msi(), L"SELECT `Sequence` FROM `File`");
    ASSERT_FALSE(sequences.empty());
    for (const auto& row : sequences) {
        EXPECT_LE(std::stoi(row[0]), std::stoi(media[0][1]));
    }
}

std::string PackageName(const testing::TestParamInfo<PackageCase>& info) {
    return info.param.win64 ? "x64" : "x86";
}

INSTANTIATE_TEST_SUITE_P(Packages, PackageTest, testing::ValuesIn(kPackages), PackageName);

} // namespace

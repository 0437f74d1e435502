// Two transforms that the writer made for the sample database, pinned byte
// for byte: the writer's parts still make exactly these bytes, and Wine's msi
// applies them, so a change to the bytes that Wine would not read fails here.
#include "changes_file.h"
#include "hex.h"
#include "msi_query.h"
#include "sample_database.h"
#include "scratch_folder.h"
#include "storage_file.h"
#include "file_io.h"
#include "transform_builder.h"

#include <windows.h>
#include <msiquery.h>
#include <objbase.h>
#include <propidl.h>

#include "test_main.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

class ComEnvironment : public testing::Environment {
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override {
        CoUninitialize();
    }
};

[[maybe_unused]] testing::Environment* const g_com =
    testing::AddGlobalTestEnvironment(new ComEnvironment);

struct PinnedStream {
    const wchar_t* name; // UTF-16 units as stored
    const char* hex;
};

struct Cell {
    const wchar_t* query;
    const wchar_t* value;
};

struct PinnedTransform {
    const char* name;
    unsigned codepage;
    const char* changes; // as the build script writes them
    std::vector<PinnedStream> streams;
    std::vector<Cell> after; // changed cells and some that stay
    const wchar_t* lastAuthor;
};

const wchar_t kPropertyStream[] = L"\x4840\x4559\x44F2\x4568\x4737";
const wchar_t kSettingStream[] = L"\x4840\x421C\x45F7\x446C\x482A";
const wchar_t kPoolStream[] = L"\x4840\x3F3F\x4577\x446C\x3E6A\x44B2\x482F";
const wchar_t kDataStream[] = L"\x4840\x3F3F\x4577\x446C\x3B6A\x45E4\x4824";
const wchar_t kSummaryStream[] = L"\x0005SummaryInformation";

// The summaries differ in the language of the target template only.
const char kSummaryBefore[] = "FE FF 00 00 06 00 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                              "00 00 01 00 00 00 E0 85 9F F2"
                              "F9 4F 68 10 AB 91 08 00 2B 27 B3 D9 30 00 00 00 1C 01 00 00 07 00 "
                              "00 00 01 00 00 00 40 00 00 00"
                              "02 00 00 00 48 00 00 00 07 00 00 00 5C 00 00 00 08 00 00 00 70 00 "
                              "00 00 09 00 00 00 84 00 00 00"
                              "0E 00 00 00 0C 01 00 00 10 00 00 00 14 01 00 00 02 00 00 00 E4 04 "
                              "00 00 1E 00 00 00 0A 00 00 00"
                              "54 72 61 6E 73 66 6F 72 6D 00 00 00 1E 00 00 00 0B 00 00 00 49 6E "
                              "74 65 6C 3B 31 30 33 33 00 00"
                              "1E 00 00 00 0B 00 00 00 49 6E 74 65 6C 3B 31 30 34";
const char kSummaryAfter[] = "00 00 1E 00 00 00 7F 00 00 00 7B 38 46 34"
                             "41 30 43 33 45 2D 35 42 31 44 2D 34 45 32 41 2D 39 43 37 46 2D 31 41 "
                             "32 42 33 43 34 44 35 45 36"
                             "46 7D 31 2E 32 2E 33 3B 7B 38 46 34 41 30 43 33 45 2D 35 42 31 44 2D "
                             "34 45 32 41 2D 39 43 37 46"
                             "2D 31 41 32 42 33 43 34 44 35 45 36 46 7D 31 2E 32 2E 33 3B 7B 30 44 "
                             "39 45 38 46 37 41 2D 36 42"
                             "35 43 2D 34 44 33 45 2D 32 46 31 41 2D 30 42 39 43 38 44 37 45 36 46 "
                             "35 41 7D 00 00 03 00 00 00"
                             "2C 01 00 00 03 00 00 00 02 00 00 00";

const std::string kNeutralSummary = std::string(kSummaryBefore) + " 33 " + kSummaryAfter;
const std::string kJapaneseSummary = std::string(kSummaryBefore) + " 31 " + kSummaryAfter;

const wchar_t kNameQuery[] = L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductName'";
const wchar_t kLanguageQuery[] =
    L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductLanguage'";
const wchar_t kVersionQuery[] =
    L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductVersion'";

const PinnedTransform kPinned[] = {
    {"NeutralWithRepeatedAndEmptyValues",
     0,
     "neutral.mst\tProperty\tProductName\tValue\tSample (xx)\n"
     "neutral.mst\tProperty\tProductLanguage\tValue\t1043\n"
     "neutral.mst\tSetting\tA\tValue\tshared\n"
     "neutral.mst\tSetting\tB\tValue\tshared\n"
     "neutral.mst\tSetting\tA\tName\t\n",
     {
         {kPropertyStream, "02 00 01 00 02 00 02 00 03 00 04 00"},
         {kSettingStream, "06 00 05 00 00 00 06 00 04 00 07 00 06 00"},
         {kPoolStream, "00 00 00 00 0B 00 01 00 0B 00 01 00 0F 00 01 00 04 00 01 00 01 00 01 00"
                       "06 00 02 00 01 00 01 00"},
         // "ProductName" "Sample (xx)" "ProductLanguage" "1043" "A" "shared" "B"
         {kDataStream, "50 72 6F 64 75 63 74 4E 61 6D 65 53 61 6D 70 6C 65 20 28 78 78 29 50 72"
                       "6F 64 75 63 74 4C 61 6E 67 75 61 67 65 31 30 34 33 41 73 68 61 72 65 64"
                       "42"},
         {kSummaryStream, kNeutralSummary.c_str()},
     },
     {
         {kNameQuery, L"Sample (xx)"},
         {kLanguageQuery, L"1043"},
         {kVersionQuery, L"1.2.3"},
         {L"SELECT `Value` FROM `Setting` WHERE `Setting` = 'A'", L"shared"},
         {L"SELECT `Value` FROM `Setting` WHERE `Setting` = 'B'", L"shared"},
         {L"SELECT `Name` FROM `Setting` WHERE `Setting` = 'A'", L""},
         {L"SELECT `Name` FROM `Setting` WHERE `Setting` = 'B'", L"beta"},
     },
     L"Intel;1043"},
    // The product name in katakana, "sanpuru", twice: in codepage 932 each
    // character takes two bytes.
    {"Codepage932",
     932,
     "japanese.mst\tProperty\tProductName\tValue\t"
     "\xE3\x82\xB5\xE3\x83\xB3\xE3\x83\x97\xE3\x83\xAB\n"
     "japanese.mst\tProperty\tProductLanguage\tValue\t1041\n"
     "japanese.mst\tSetting\tA\tValue\t"
     "\xE3\x82\xB5\xE3\x83\xB3\xE3\x83\x97\xE3\x83\xAB\n",
     {
         {kPropertyStream, "02 00 01 00 02 00 02 00 03 00 04 00"},
         {kSettingStream, "04 00 05 00 02 00"},
         {kPoolStream, "A4 03 00 00 0B 00 01 00 08 00 02 00 0F 00 01 00 04 00 01 00 01 00 01 00"},
         {kDataStream, "50 72 6F 64 75 63 74 4E 61 6D 65 83 54 83 93 83 76 83 8B 50 72 6F 64 75"
                       "63 74 4C 61 6E 67 75 61 67 65 31 30 34 31 41"},
         {kSummaryStream, kJapaneseSummary.c_str()},
     },
     {
         {kNameQuery, L"\x30B5\x30F3\x30D7\x30EB"},
         {kLanguageQuery, L"1041"},
         {kVersionQuery, L"1.2.3"},
         {L"SELECT `Value` FROM `Setting` WHERE `Setting` = 'A'", L"\x30B5\x30F3\x30D7\x30EB"},
         {L"SELECT `Value` FROM `Setting` WHERE `Setting` = 'B'", L"two"},
     },
     L"Intel;1041"},
};

std::string Units(const std::wstring& name) {
    std::string units;
    for (wchar_t unit : name) {
        char text[8];
        snprintf(text, sizeof(text), " %04X", static_cast<unsigned>(unit));
        units += text;
    }
    return units;
}

class PinnedTransformTest : public ScratchFolderTest,
                            public testing::WithParamInterface<PinnedTransform> {
  protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        msi = folder + L"sample.msi";
        ASSERT_TRUE(CreateSampleDatabase(msi, GetParam().codepage));
    }

    std::wstring msi;
};

TEST_P(PinnedTransformTest, WriterMakesThePinnedStreams) {
    const Result<unsigned> codepage = ReadPackageCodepage(msi);
    ASSERT_TRUE(codepage) << codepage.Error();
    EXPECT_EQ(*codepage, GetParam().codepage);
    const Result<std::vector<TransformChanges>> changes = ParseChanges(GetParam().changes);
    ASSERT_TRUE(changes) << changes.Error();
    const Result<MsiHandle> database = OpenDatabase(msi, MsiAccess::ReadOnly);
    ASSERT_TRUE(database) << database.Error();

    const Result<std::vector<TransformStream>> streams =
        BuildTransform(*database, changes->front(), *codepage);
    ASSERT_TRUE(streams) << streams.Error();
    ASSERT_EQ(streams->size(), GetParam().streams.size());
    for (size_t i = 0; i < streams->size(); ++i) {
        const PinnedStream& pinned = GetParam().streams[i];
        EXPECT_EQ(Units((*streams)[i].name), Units(pinned.name)) << "stream " << i;
        EXPECT_EQ(ToHex((*streams)[i].bytes), ToHex(FromHex(pinned.hex)))
            << "stream" << Units(pinned.name);
    }
}

TEST_P(PinnedTransformTest, WineAppliesThePinnedStreams) {
    std::vector<TransformStream> streams;
    for (const PinnedStream& pinned : GetParam().streams) {
        streams.push_back({pinned.name, FromHex(pinned.hex)});
    }
    const std::wstring transform = folder + L"pinned.mst";
    const Result<void> written = WriteTransformFile(transform, streams);
    ASSERT_TRUE(written) << written.Error();

    const Result<MsiHandle> database = OpenDatabase(msi, MsiAccess::ReadOnly);
    ASSERT_TRUE(database) << database.Error();
    const Result<void> applied = ApplyTransform(*database, transform);
    ASSERT_TRUE(applied) << applied.Error();
    for (const Cell& cell : GetParam().after) {
        const Result<std::wstring> value = QueryFirstCell(*database, cell.query);
        ASSERT_TRUE(value) << testfs::Narrow(cell.query) << ": " << value.Error();
        EXPECT_EQ(*value, cell.value) << testfs::Narrow(cell.query);
    }

    MsiHandle summary(MsiCloseHandle);
    ASSERT_EQ(MsiGetSummaryInformationW(0, transform.c_str(), 0, summary.Receive()), 0u);
    EXPECT_EQ(SummaryText(summary.Get(), PID_CODEPAGE), L"1252");
    EXPECT_EQ(SummaryText(summary.Get(), PIDSI_TITLE), L"Transform");
    EXPECT_EQ(SummaryText(summary.Get(), PIDSI_TEMPLATE), L"Intel;1033");
    EXPECT_EQ(SummaryText(summary.Get(), PIDSI_LASTAUTHOR), GetParam().lastAuthor);
    EXPECT_EQ(SummaryText(summary.Get(), PIDSI_REVNUMBER),
              L"{8F4A0C3E-5B1D-4E2A-9C7F-1A2B3C4D5E6F}1.2.3;"
              L"{8F4A0C3E-5B1D-4E2A-9C7F-1A2B3C4D5E6F}1.2.3;"
              L"{0D9E8F7A-6B5C-4D3E-2F1A-0B9C8D7E6F5A}");
    EXPECT_EQ(SummaryText(summary.Get(), PIDSI_PAGECOUNT), L"300");
    // Validation of the product code.
    EXPECT_EQ(SummaryText(summary.Get(), PIDSI_CHARCOUNT), L"2");
}

INSTANTIATE_TEST_SUITE_P(Transforms, PinnedTransformTest, testing::ValuesIn(kPinned), ByCaseName());

} // namespace

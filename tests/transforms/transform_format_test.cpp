// The transform's bytes at their edges. The common cases are pinned against
// transforms that Wine applies in pinned_transform_test.cpp, and the stream
// names here are those of the pinned transforms.
#include "hex.h"
#include "msi_query.h"
#include "sample_database.h"
#include "scratch_folder.h"
#include "storage_file.h"
#include "file_io.h"
#include "transform_format.h"

#include <windows.h>
#include <msiquery.h>
#include <propidl.h>

#include "test_main.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

std::wstring Repeat(const std::wstring& text, size_t times) {
    std::wstring result;
    for (size_t i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

struct NameCase {
    const char* name;
    std::wstring table;
    std::optional<std::wstring> stored; // nothing when refused
};

const std::wstring kPrefix(L"\x4840");

const NameCase kNames[] = {
    {"EvenLength", L"Property", L"\x4840\x4559\x44F2\x4568\x4737"},
    {"OddLengthEndsInASingleUnit", L"Setting", L"\x4840\x421C\x45F7\x446C\x482A"},
    {"Pool", L"_StringPool", L"\x4840\x3F3F\x4577\x446C\x3E6A\x44B2\x482F"},
    {"PoolData", L"_StringData", L"\x4840\x3F3F\x4577\x446C\x3B6A\x45E4\x4824"},
    {"DotUnderscoreAndCapital", L"x.y_Z", L"\x4840\x47BB\x47FC\x4823"},
    {"OtherCharacterSplitsPairs", L"a-b", L"\x4840\x4824-\x4825"},
    {"CharactersBeyondAsciiStayAsTheyAre", L"\x65E5\x672C", L"\x4840\x65E5\x672C"},
    // With the prefix, a stored name holds 31 units at most; "ab" is 0x4164.
    {"SixtyCompactCharactersFit", Repeat(L"ab", 30), kPrefix + Repeat(L"\x4164", 30)},
    {"SixtyOneCompactCharactersDoNot", Repeat(L"ab", 30) + L"a", std::nullopt},
    {"ThirtyOtherCharactersFit", Repeat(L"-", 30), kPrefix + Repeat(L"-", 30)},
    {"ThirtyOneOtherCharactersDoNot", Repeat(L"-", 31), std::nullopt},
};

class NameTest : public testing::TestWithParam<NameCase> {};

TEST_P(NameTest, StoredName) {
    const Result<std::wstring> stored = TableStreamName(GetParam().table);
    if (!GetParam().stored) {
        ASSERT_FALSE(stored);
        EXPECT_NE(stored.Error().find("too long for a stream"), std::string::npos);
        return;
    }
    ASSERT_TRUE(stored) << stored.Error();
    EXPECT_EQ(*stored, *GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Tables, NameTest, testing::ValuesIn(kNames), ByCaseName());

struct CodepageCase {
    const char* name;
    const char* poolHex;
    unsigned codepage;
};

const CodepageCase kCodepages[] = {
    {"Neutral", "00 00 00 00 0B 00 01 00", 0},
    {"Western", "E4 04 00 00", 1252},
    {"LongStringReferencesFlagIsNoPartOfIt", "A4 03 00 80 0B 00 01 00", 932},
    {"StreamTooShort", "E4 04 00", 0},
};

class CodepageTest : public testing::TestWithParam<CodepageCase> {};

TEST_P(CodepageTest, PoolCodepage) {
    EXPECT_EQ(PoolCodepage(FromHex(GetParam().poolHex)), GetParam().codepage);
}

INSTANTIATE_TEST_SUITE_P(Pools, CodepageTest, testing::ValuesIn(kCodepages), ByCaseName());

struct PoolCase {
    const char* name;
    unsigned codepage;
    std::vector<std::wstring> uses;
    std::vector<unsigned> ids;
    const char* poolHex;
    std::string data;
    const char* error; // of the last use, when it is refused
};

const PoolCase kPoolCases[] = {
    {"RepeatsCountUsesAndEmptyIsNull",
     0,
     {L"ProductName", L"shared", L"", L"shared", L""},
     {1, 2, 0, 2, 0},
     "00 00 00 00 0B 00 01 00 06 00 02 00",
     "ProductNameshared",
     nullptr},
    // "sanpuru" in katakana, two bytes a character in codepage 932.
    {"RealCodepageEncodesItsBytes",
     932,
     {L"\x30B5\x30F3\x30D7\x30EB", L"A", L"\x30B5\x30F3\x30D7\x30EB"},
     {1, 2, 1},
     "A4 03 00 00 08 00 02 00 01 00 01 00",
     "\x83\x54\x83\x93\x83\x76\x83\x8B"
     "A",
     nullptr},
    // "cafe" with an acute e.
    {"WesternCodepageBeyondAscii",
     1252,
     {L"caf\x00E9"},
     {1},
     "E4 04 00 00 04 00 01 00",
     "caf\xE9",
     nullptr},
    {"NeutralRefusesBeyondAscii", 0, {L"caf\x00E9"}, {}, "00 00 00 00", "", "not ASCII"},
    {"CodepageRefusesWhatItLacks",
     1252,
     {L"a", L"\x65E5\x672C"},
     {1},
     "E4 04 00 00 01 00 01 00",
     "a",
     "does not fit the package's codepage"},
    {"LongestString",
     0,
     {std::wstring(0xFFFF, L'x')},
     {1},
     "00 00 00 00 FF FF 01 00",
     std::string(0xFFFF, 'x'),
     nullptr},
    {"StringTooLong", 0, {std::wstring(0x10000, L'x')}, {}, "00 00 00 00", "", "too long"},
};

class PoolTest : public testing::TestWithParam<PoolCase> {};

TEST_P(PoolTest, IdsAndBytes) {
    const PoolCase& c = GetParam();
    StringPool pool(c.codepage);
    std::vector<unsigned> ids;
    for (size_t i = 0; i < c.uses.size(); ++i) {
        const Result<unsigned> id = pool.Use(c.uses[i]);
        if (c.error != nullptr && i + 1 == c.uses.size()) {
            ASSERT_FALSE(id);
            EXPECT_NE(id.Error().find(c.error), std::string::npos) << id.Error();
        } else {
            ASSERT_TRUE(id) << id.Error();
            ids.push_back(*id);
        }
    }
    EXPECT_EQ(ids, c.ids);
    // A refused string leaves no trace in the pool.
    EXPECT_EQ(ToHex(pool.PoolBytes()), ToHex(FromHex(c.poolHex)));
    EXPECT_TRUE(pool.DataBytes() == c.data) << ToHex(pool.DataBytes().substr(0, 64));
}

INSTANTIATE_TEST_SUITE_P(Strings, PoolTest, testing::ValuesIn(kPoolCases), ByCaseName());

// A count of uses has 16 bits; one more must not wrap around to a string
// without uses.
TEST(PoolUses, RefusedBeyondSixteenBits) {
    StringPool pool(0);
    for (unsigned i = 0; i < 0xFFFF; ++i) {
        ASSERT_TRUE(pool.Use(L"v")) << i;
    }
    const Result<unsigned> id = pool.Use(L"v");
    ASSERT_FALSE(id);
    EXPECT_NE(id.Error().find("used too often"), std::string::npos) << id.Error();
    EXPECT_EQ(ToHex(pool.PoolBytes()), "00 00 00 00 01 00 FF FF");
}

// The summary header up to its section, as in every pinned transform.
const char kSummaryHeader[] =
    "FE FF 00 00 06 00 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00"
    "E0 85 9F F2 F9 4F 68 10 AB 91 08 00 2B 27 B3 D9 30 00 00 00";

struct PaddingCase {
    const char* name;
    const char* title;
    const char* sectionHex;
};

// The section: its size, the count of values, an index of id and offset, then
// the values: the codepage, the title and the page count, 7. A text is its
// type, its length with the terminating zero, its bytes and zeros up to a
// multiple of four.
const PaddingCase kPaddings[] = {
    {"EmptyTextPadsThree", "",
     "3C 00 00 00 03 00 00 00 01 00 00 00 20 00 00 00 02 00 00 00 28 00 00 00 0E 00 00 00"
     "34 00 00 00 02 00 00 00 E4 04 00 00 1E 00 00 00 01 00 00 00 00 00 00 00 03 00 00 00"
     "07 00 00 00"},
    {"OneCharacterPadsTwo", "a",
     "3C 00 00 00 03 00 00 00 01 00 00 00 20 00 00 00 02 00 00 00 28 00 00 00 0E 00 00 00"
     "34 00 00 00 02 00 00 00 E4 04 00 00 1E 00 00 00 02 00 00 00 61 00 00 00 03 00 00 00"
     "07 00 00 00"},
    {"TwoCharactersPadOne", "ab",
     "3C 00 00 00 03 00 00 00 01 00 00 00 20 00 00 00 02 00 00 00 28 00 00 00 0E 00 00 00"
     "34 00 00 00 02 00 00 00 E4 04 00 00 1E 00 00 00 03 00 00 00 61 62 00 00 03 00 00 00"
     "07 00 00 00"},
    {"ThreeCharactersNeedNoPadding", "abc",
     "3C 00 00 00 03 00 00 00 01 00 00 00 20 00 00 00 02 00 00 00 28 00 00 00 0E 00 00 00"
     "34 00 00 00 02 00 00 00 E4 04 00 00 1E 00 00 00 04 00 00 00 61 62 63 00 03 00 00 00"
     "07 00 00 00"},
    {"FourCharactersMoveTheNextValue", "abcd",
     "40 00 00 00 03 00 00 00 01 00 00 00 20 00 00 00 02 00 00 00 28 00 00 00 0E 00 00 00"
     "38 00 00 00 02 00 00 00 E4 04 00 00 1E 00 00 00 05 00 00 00 61 62 63 64 00 00 00 00"
     "03 00 00 00 07 00 00 00"},
};

std::vector<SummaryValue> TitleAndPages(const char* title) {
    return {{PID_CODEPAGE, false, "", 1252},
            {PIDSI_TITLE, true, title, 0},
            {PIDSI_PAGECOUNT, false, "", 7}};
}

class PaddingTest : public ScratchFolderTest, public testing::WithParamInterface<PaddingCase> {};

TEST_P(PaddingTest, SummaryBytes) {
    EXPECT_EQ(ToHex(SummaryStream(TitleAndPages(GetParam().title))),
              ToHex(FromHex(std::string(kSummaryHeader) + GetParam().sectionHex)));
}

// Wine finds the value after the padded text where the index says it is.
TEST_P(PaddingTest, WineReadsTheSummary) {
    const std::wstring file = folder + L"summary.mst";
    // Wine reads the summary of a file that it opens as a database, which
    // takes a string pool.
    const StringPool pool(0);
    const Result<void> written = WriteTransformFile(
        file, {{*TableStreamName(L"_StringPool"), pool.PoolBytes()},
               {*TableStreamName(L"_StringData"), pool.DataBytes()},
               {kSummaryStreamName, SummaryStream(TitleAndPages(GetParam().title))}});
    ASSERT_TRUE(written) << written.Error();
    MsiHandle summary(MsiCloseHandle);
    ASSERT_EQ(MsiGetSummaryInformationW(0, file.c_str(), 0, summary.Receive()), 0u);
    EXPECT_EQ(testfs::Narrow(SummaryText(summary.Get(), PIDSI_TITLE)), GetParam().title);
    EXPECT_EQ(SummaryText(summary.Get(), PIDSI_PAGECOUNT), L"7");
}

INSTANTIATE_TEST_SUITE_P(Texts, PaddingTest, testing::ValuesIn(kPaddings), ByCaseName());

} // namespace

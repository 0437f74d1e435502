#include "msi_query.h"

#include "sample_database.h"
#include "scratch_folder.h"
#include "file_io.h"

#include "test_main.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testfs::Narrow;

std::string Describe(const std::vector<MsiRow>& rows) {
    std::string text;
    for (const MsiRow& row : rows) {
        text += "[";
        for (size_t i = 0; i < row.size(); ++i) {
            text += (i == 0 ? "" : "|") + Narrow(row[i]);
        }
        text += "]";
    }
    return text;
}

struct QueryCase {
    const char* name;
    const wchar_t* query;
    std::vector<std::wstring> parameters;
    const char* rows;  // as Describe gives them, or nullptr
    const char* error; // part of the message when the query fails
};

const QueryCase kQueries[] = {
    {"EveryRow",
     L"SELECT `Setting`, `Name`, `Value`, `Number` FROM `Setting` ORDER BY `Setting`",
     {},
     "[A|alpha|one|1][B|beta|two|2][C|||]",
     nullptr},
    {"ParametersInTheirOrder",
     L"SELECT `Setting` FROM `Setting` WHERE `Name` = ? OR `Value` = ? ORDER BY `Setting`",
     {L"beta", L"one"},
     "[A][B]",
     nullptr},
    {"NoRow", L"SELECT `Setting` FROM `Setting` WHERE `Name` = ?", {L"gamma"}, "", nullptr},
    // Text longer than a first guess at its size.
    {"LongText",
     L"SELECT `Value` FROM `Property` WHERE `Property` = ?",
     {L"ProductCode"},
     "[{8F4A0C3E-5B1D-4E2A-9C7F-1A2B3C4D5E6F}]",
     nullptr},
    {"UnknownTable", L"SELECT * FROM `NoTable`", {}, nullptr, "MsiDatabaseOpenView failed"},
};

class QueryTest : public ScratchFolderTest, public testing::WithParamInterface<QueryCase> {
  protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        msi = folder + L"sample.msi";
        ASSERT_TRUE(CreateSampleDatabase(msi, 0));
        // A row with nothing but its key, for the null fields.
        const Result<MsiHandle> database = OpenDatabase(msi, MsiAccess::Transact);
        ASSERT_TRUE(database) << database.Error();
        const Result<void> inserted =
            Execute(*database, L"INSERT INTO `Setting` (`Setting`) VALUES (?)", {L"C"});
        ASSERT_TRUE(inserted) << inserted.Error();
        ASSERT_TRUE(Commit(*database));
    }

    std::wstring msi;
};

TEST_P(QueryTest, Rows) {
    const Result<MsiHandle> database = OpenDatabase(msi, MsiAccess::ReadOnly);
    ASSERT_TRUE(database) << database.Error();
    const Result<std::vector<MsiRow>> rows =
        QueryRows(*database, GetParam().query, GetParam().parameters);
    if (GetParam().error != nullptr) {
        ASSERT_FALSE(rows) << Describe(*rows);
        EXPECT_NE(rows.Error().find(GetParam().error), std::string::npos) << rows.Error();
        return;
    }
    ASSERT_TRUE(rows) << rows.Error();
    EXPECT_EQ(Describe(*rows), GetParam().rows);

    // The first cell is the first field of the same query.
    const Result<std::wstring> first =
        QueryFirstCell(*database, GetParam().query, GetParam().parameters);
    if (rows->empty()) {
        ASSERT_FALSE(first);
        EXPECT_NE(first.Error().find("found no row"), std::string::npos) << first.Error();
    } else {
        ASSERT_TRUE(first) << first.Error();
        EXPECT_EQ(*first, rows->front().front());
    }
}

INSTANTIATE_TEST_SUITE_P(Queries, QueryTest, testing::ValuesIn(kQueries), ByCaseName());

using MsiQueryTest = ScratchFolderTest;

TEST_F(MsiQueryTest, ColumnsAndKeys) {
    ASSERT_TRUE(CreateSampleDatabase(folder + L"sample.msi", 0));
    const Result<MsiHandle> database = OpenDatabase(folder + L"sample.msi", MsiAccess::ReadOnly);
    ASSERT_TRUE(database) << database.Error();
    const Result<MsiColumns> columns = QueryColumns(*database, L"SELECT * FROM `Setting`");
    ASSERT_TRUE(columns) << columns.Error();
    EXPECT_EQ(columns->names,
              (std::vector<std::wstring>{L"Setting", L"Name", L"Value", L"Number"}));
    EXPECT_EQ(columns->types, (std::vector<std::wstring>{L"s72", L"S255", L"S0", L"I2"}));
    const Result<std::vector<std::wstring>> keys = PrimaryKeys(*database, L"Setting");
    ASSERT_TRUE(keys) << keys.Error();
    EXPECT_EQ(*keys, std::vector<std::wstring>{L"Setting"});
    EXPECT_FALSE(PrimaryKeys(*database, L"NoTable"));
}

} // namespace

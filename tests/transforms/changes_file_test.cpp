#include "changes_file.h"

#include "file_io.h"

#include "test_main.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testfs::Narrow;

// A transform's changes as "name: table.key.column=value ...".
std::string Describe(const std::vector<TransformChanges>& transforms) {
    std::string text;
    for (const TransformChanges& transform : transforms) {
        text += (text.empty() ? "" : " | ") + Narrow(transform.name) + ":";
        for (const Change& change : transform.changes) {
            text += " " + Narrow(change.table) + "." + Narrow(change.key) + "." +
                    Narrow(change.column) + "=" + Narrow(change.value);
        }
    }
    return text;
}

struct ParseCase {
    const char* name;
    std::string text;   // UTF-8
    const char* parsed; // as Describe gives it, or nullptr
    const char* error;  // part of the message when refused
};

const ParseCase kParses[] = {
    {"OneLine", "a.mst\tProperty\tProductName\tValue\tName\n",
     "a.mst: Property.ProductName.Value=Name", nullptr},
    {"LastLineWithoutEnd", "a.mst\tT\tk\tC\tv", "a.mst: T.k.C=v", nullptr},
    {"WindowsLineEndsAndBlankLines", "\r\na.mst\tT\tk\tC\tv\r\n\r\na.mst\tT\tl\tC\tw\r\n",
     "a.mst: T.k.C=v T.l.C=w", nullptr},
    {"TransformsInTheOrderOfTheirFirstLine",
     "b.mst\tT\tk\tC\t1\nb.mst\tT\tl\tC\t2\na.mst\tT\tk\tC\t3\n",
     "b.mst: T.k.C=1 T.l.C=2 | a.mst: T.k.C=3", nullptr},
    {"EmptyValue", "a.mst\tT\tk\tC\t\n", "a.mst: T.k.C=", nullptr},
    // Spaces belong to the fields.
    {"SpacesKept", "a.mst\tT\tk\tC\tSample (xx) \n", "a.mst: T.k.C=Sample (xx) ", nullptr},
    {"Utf8Value", "a.mst\tT\tk\tC\t\xE6\x97\xA5\xE6\x9C\xAC\n",
     "a.mst: T.k.C=\xE6\x97\xA5\xE6\x9C\xAC", nullptr},
    {"FourFields", "a.mst\tT\tk\tC\n", nullptr,
     "line 1 of the changes file does not hold five fields"},
    {"SixFields", "a.mst\tT\tk\tC\tv\tw\n", nullptr, "line 1 of the changes file"},
    {"EmptyKey", "a.mst\tT\t\tC\tv\n", nullptr, "does not hold five fields"},
    // Blank lines count, so that the number points at the line in an editor.
    {"LineNumberCountsBlankLines", "a.mst\tT\tk\tC\tv\n\nbroken\n", nullptr, "line 3 of"},
    {"TransformNotTogether", "a.mst\tT\tk\tC\t1\nb.mst\tT\tk\tC\t2\na.mst\tT\tl\tC\t3\n", nullptr,
     "the changes of a.mst are not together"},
    {"Empty", "", nullptr, "holds no change"},
    {"OnlyLineEnds", "\r\n\n", nullptr, "holds no change"},
    {"NotUtf8", "a.mst\tT\tk\tC\t\xFF\n", nullptr, "not UTF-8"},
};

class ParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, Changes) {
    const Result<std::vector<TransformChanges>> parsed = ParseChanges(GetParam().text);
    if (GetParam().error != nullptr) {
        ASSERT_FALSE(parsed) << Describe(*parsed);
        EXPECT_NE(parsed.Error().find(GetParam().error), std::string::npos) << parsed.Error();
        return;
    }
    ASSERT_TRUE(parsed) << parsed.Error();
    EXPECT_EQ(Describe(*parsed), GetParam().parsed);
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseTest, testing::ValuesIn(kParses), ByCaseName());

} // namespace

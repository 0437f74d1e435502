// Where a dialog goes: centred on its reference.
#include "ui/dialog_frame.h"

#include <gtest/gtest.h>

namespace {

TEST(CentredPositionTest, Table) {
    struct CentreCase {
        const char* name;
        RECT reference;
        RECT window;
        POINT expected;
    };
    const CentreCase cases[] = {
        {"on the screen", {0, 0, 1024, 768}, {0, 0, 300, 150}, {362, 309}},
        {"odd difference truncates", {0, 0, 1025, 769}, {10, 10, 310, 160}, {362, 309}},
        {"window position does not matter", {0, 0, 1024, 768}, {-50, 700, 250, 850}, {362, 309}},
        {"offset reference", {100, 50, 500, 450}, {0, 0, 200, 100}, {200, 200}},
        {"larger than the reference", {0, 0, 1024, 768}, {0, 0, 2001, 801}, {-488, -16}},
        {"negative odd halves toward zero", {0, 0, 10, 10}, {0, 0, 13, 13}, {-1, -1}},
    };
    for (const CentreCase& c : cases) {
        const POINT position = CentredPosition(c.reference, c.window);
        EXPECT_EQ(position.x, c.expected.x) << c.name;
        EXPECT_EQ(position.y, c.expected.y) << c.name;
    }
}

} // namespace

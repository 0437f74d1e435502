// Whether a window station is one that a person sees.
#include "ui/window_station.h"

#include <gtest/gtest.h>

namespace {

// A window station of the test's own, with the flag set and cleared by the
// test; and one that cannot be asked, which counts as seen, so that a box
// is shown rather than an error kept quiet.
TEST(WindowStationTest, VisibleOnlyWithTheFlag) {
    const HWINSTA station =
        CreateWindowStationW(L"SetupUnitTestStation", 0, WINSTA_ALL_ACCESS, nullptr);
    ASSERT_NE(station, nullptr);
    for (const DWORD flag : {static_cast<DWORD>(WSF_VISIBLE), 0ul}) {
        USEROBJECTFLAGS flags = {FALSE, FALSE, flag};
        ASSERT_TRUE(SetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags)));
        EXPECT_EQ(IsStationVisible(station), flag != 0) << flag;
    }
    CloseWindowStation(station);
    EXPECT_TRUE(IsStationVisible(nullptr)) << "a station that cannot be asked";
}

} // namespace

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

// The first fact that says nobody sees the station decides; one that could
// not be read counts as seen. Wine has no session 0 and no disconnected
// session: this table is where those two show.
TEST(JudgeStationTest, Table) {
    struct StationCase {
        const char* name;
        StationFacts facts;
        StationSight expected;
    };
    const StationCase cases[] = {
        {"a console session", {true, true, 1, true, true}, StationSight::Seen},
        {"nothing known", {true, false, 0, false, true}, StationSight::Seen},
        {"flag off", {false, true, 1, true, true}, StationSight::FlagOff},
        {"flag off in session 0", {false, true, 0, true, true}, StationSight::FlagOff},
        {"session 0 with the flag", {true, true, 0, true, true}, StationSight::SessionZero},
        {"session unknown is no session 0", {true, false, 0, true, true}, StationSight::Seen},
        {"disconnected", {true, true, 2, true, false}, StationSight::NotConnected},
        {"connection unknown", {true, true, 2, false, false}, StationSight::Seen},
    };
    for (const StationCase& c : cases) {
        EXPECT_EQ(JudgeStation(c.facts), c.expected) << c.name;
    }
}

} // namespace

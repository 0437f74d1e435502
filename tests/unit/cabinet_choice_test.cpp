// Which cabinets a run stages when it stages only what its package may read.
#include "msi/cabinet_choice.h"

#include <gtest/gtest.h>

namespace {

constexpr CabinetReason kChosen = CabinetReason::NamedByChosen;
constexpr CabinetReason kNone = CabinetReason::NamedByNone;
constexpr CabinetReason kUnread = CabinetReason::ChosenUnreadable;
constexpr CabinetReason kOthers = CabinetReason::OnlyOthers;

TEST(ChooseCabinetsTest, LeavesOutOnlyWhatOnlyAnotherReadablePackageNames) {
    const PackageCabinets unreadable;
    struct CabinetCase {
        const char* name;
        std::vector<std::wstring> cabinets;
        PackageCabinets chosen;
        std::vector<PackageCabinets> others;
        std::vector<CabinetReason> expected; // for each cabinet; staged unless kOthers
    };
    const CabinetCase cases[] = {
        {"no other MSI", {L"a.cab", L"b.cab"}, {true, {L"a.cab"}}, {}, {kChosen, kNone}},
        {"two MSIs with separate cabinets",
         {L"x64.cab", L"x86.cab"},
         {true, {L"x64.cab"}},
         {{true, {L"x86.cab"}}},
         {kChosen, kOthers}},
        {"a shared cabinet is staged once",
         {L"common.cab", L"x86.cab"},
         {true, {L"COMMON.CAB"}},
         {{true, {L"common.cab", L"x86.cab"}}},
         {kChosen, kOthers}},
        {"a cabinet that nobody names", {L"extra.cab"}, {true, {}}, {{true, {}}}, {kNone}},
        {"an embedded cabinet names no file",
         {L"a.cab", L"b.cab"},
         {true, {L"#a.cab"}},
         {{true, {L"a.cab"}}, {true, {L"#b.cab"}}},
         {kOthers, kNone}},
        {"another MSI that cannot be read",
         {L"x64.cab", L"x86.cab"},
         {true, {L"x64.cab"}},
         {unreadable},
         {kChosen, kNone}},
        {"the chosen MSI cannot be read",
         {L"x64.cab", L"x86.cab"},
         unreadable,
         {{true, {L"x86.cab"}}},
         {kUnread, kUnread}},
        {"nothing on the medium", {}, {true, {L"a.cab"}}, {}, {}},
    };
    for (const CabinetCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<CabinetChoice> choices = ChooseCabinets(c.cabinets, c.chosen, c.others);
        ASSERT_EQ(choices.size(), c.expected.size());
        for (size_t at = 0; at < choices.size(); ++at) {
            EXPECT_EQ(choices[at].name, c.cabinets[at]);
            EXPECT_EQ(choices[at].reason, c.expected[at]) << at;
            EXPECT_EQ(choices[at].staged, c.expected[at] != kOthers) << at;
        }
    }
}

} // namespace

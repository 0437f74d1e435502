// Whether the language dialog is wanted, and whether the installer shows itself.
#include "app/launch_mode.h"

#include "test_main.h"

#include <gtest/gtest.h>

namespace {

struct ModeCase {
    const char* name;
    bool installed;
    const wchar_t* commandLine;
    LaunchMode expected;
};

constexpr LaunchMode kDialog = LaunchMode::Interactive;
constexpr LaunchMode kDirect = LaunchMode::Direct;

const ModeCase kModeCases[] = {
    {"no arguments", false, L"", kDialog},
    {"unrelated property", false, L"REBOOT=ReallySuppress", kDialog},
    {"quiet none", false, L"/qn", kDirect},
    {"quiet basic", false, L"/qb", kDirect},
    {"quiet word contains /q", false, L"/quiet", kDirect},
    {"dash quiet", false, L"-q", kDirect},
    {"full interface", false, L"/qf", kDialog},
    {"dash full interface", false, L"-qf", kDialog},
    {"quiet then full interface", false, L"/qn -qf", kDialog},
    {"passive", false, L"/passive", kDirect},
    {"dash passive", false, L"-passive", kDirect},
    {"help", false, L"/?", kDirect},
    {"dash help", false, L"-?", kDirect},
    {"passive loses to full interface", false, L"/passive /qf", kDialog},
    {"passive with quiet", false, L"/passive /qn", kDirect},
    // msiexec.exe reads its switches in any case.
    {"upper-case quiet", false, L"/Q", kDirect},
    {"upper-case passive", false, L"/PASSIVE", kDirect},
    {"upper-case full interface", false, L"/QN /QF", kDialog},
    {"mixed-case help", false, L"-?", kDirect},
    {"quoted quiet switch", false, L"\"/qn\"", kDirect},
    {"quiet with options", false, L"/qb-!", kDirect},
    {"quoted full interface", false, L"/qn \"-qf\"", kDialog},
    // A switch's text inside another argument is no switch.
    {"dash q inside a log path", false, L"/l*v C:\\logs\\setup-q.log", kDialog},
    {"value ending in -quiet", false, L"INSTALLDIR=C:\\my-quiet", kDialog},
    {"help inside a quoted value", false, L"PROP=\"what/?\"", kDialog},
    {"passive inside a word", false, L"/passiveX", kDialog},
    {"full interface inside a value", false, L"/qn LOG=x-qf", kDirect},
    {"installed, no arguments", true, L"", kDirect},
    {"installed ignores full interface", true, L"/qf", kDirect},
    {"installed ignores dash full interface", true, L"/qn -qf", kDirect},
};

class LaunchModeTest : public testing::TestWithParam<ModeCase> {};

TEST_P(LaunchModeTest, FollowsInstalledFlagAndSwitches) {
    const ModeCase& c = GetParam();
    EXPECT_EQ(ChooseLaunchMode(c.installed, c.commandLine), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, LaunchModeTest, testing::ValuesIn(kModeCases), ByCaseName());

} // namespace

namespace {

// The progress window shows where the installer will show itself.
TEST(InstallerShowsInterfaceTest, FollowsTheLastUserInterfaceSwitch) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"", true},
        {L"REBOOT=ReallySuppress", true},
        {L"/qf", true},
        {L"/qb", true},
        {L"/qb-!", true},
        {L"-qr", true},
        {L"/passive", true},
        {L"/q", false},
        {L"/qn", false},
        {L"/qn+", false},
        {L"/quiet", false},
        {L"-q", false},
        {L"/qn -qf", true},
        {L"/passive /qn", false},
        {L"/qn /passive", true},
        {L"/l*v C:\\logs\\setup-qn.log", true},
        {L"/QN", false},
        {L"/QB", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InstallerShowsInterface(c.first), c.second) << testing::PrintToString(c.first);
    }
}

// Where nobody sees the screen, only an installer that needs no answer may
// start: its full interface, or its help box, would wait for ever.
TEST(InstallerNeedsAPersonTest, EveryInterfaceThatMayWaitForAnAnswerNeedsOne) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"", true},
        {L"REBOOT=ReallySuppress", true},
        {L"/QN", false},
        {L"/QB", true},
        {L"/QB-", false},
        {L"/QN+", true},
        {L"/QR", true},
        {L"/PASSIVE", false},
        {L"/l*v C:\\logs\\setup-qn.log", true},
        {L"/qf", true},
        {L"/qn -qf", true},
        {L"-qr", true},
        {L"/qb", true},
        {L"/qb!", true},
        {L"/qb+", true},
        {L"/qn+", true},
        {L"-qn+", true},
        {L"/?", true},
        {L"/qn /?", true},
        {L"-?", true},
        {L"/qn", false},
        {L"/q", false},
        {L"/quiet", false},
        {L"/qb-", false},
        {L"/qb-!", false},
        {L"/qb!-", false},
        {L"/passive", false},
        {L"/qf /qn", false},
        {L"/x /qn", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InstallerNeedsAPerson(c.first), c.second) << testing::PrintToString(c.first);
    }
}

} // namespace

namespace {

// A run without a person shows no box and tells everything by its exit code.
TEST(SwitchesAskForNoPersonTest, QuietOrPassiveWithoutTheDialog) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"", false},
        {L"REBOOT=ReallySuppress", false},
        {L"/qn", true},
        {L"/QN", true},
        {L"-q", true},
        {L"/quiet", true},
        {L"/qb-!", true},
        {L"/passive", true},
        {L"-Passive", true},
        {L"/x /qn", true},
        {L"/qf", false},
        {L"/qn /qf", false},
        {L"/passive /qf", false},
        {L"/?", false},
        {L"/l*v C:\\logs\\setup-qn.log", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SwitchesAskForNoPerson(c.first), c.second) << testing::PrintToString(c.first);
    }
}

} // namespace

// Whether the language dialog is wanted, whether the run is attended, and whether the installer
// shows itself.
#include "app/launch_mode.h"

#include <gtest/gtest.h>

namespace {

constexpr LaunchMode kDialog = LaunchMode::Interactive;
constexpr LaunchMode kDirect = LaunchMode::Direct;

// Each question's answer for one argument text.
struct SwitchCase {
    const wchar_t* arguments;
    LaunchMode mode;      // without the installed flag; with it, always direct
    bool asksForNoPerson; // a run without a person: no box, the exit code tells
    bool showsInterface;  // the installer shows itself: so does the progress window
    bool needsAPerson;    // the installer may wait for an answer: nobody sees the screen, no start
};

const SwitchCase kSwitchCases[] = {
    {L"", kDialog, false, true, true},
    {L"REBOOT=ReallySuppress", kDialog, false, true, true},
    // The quiet family; the last user-interface switch decides what the installer shows.
    {L"/q", kDirect, true, false, false},
    {L"-q", kDirect, true, false, false},
    {L"/qn", kDirect, true, false, false},
    {L"\"/qn\"", kDirect, true, false, false},
    {L"/quiet", kDirect, true, false, false},
    {L"/qn+", kDirect, true, false, true},
    {L"-qn+", kDirect, true, false, true},
    {L"/qb", kDirect, true, true, true},
    {L"/qb!", kDirect, true, true, true},
    {L"/qb+", kDirect, true, true, true},
    {L"/qb-", kDirect, true, true, false},
    {L"/qb-!", kDirect, true, true, false},
    {L"/qb!-", kDirect, true, true, false},
    {L"-qr", kDirect, true, true, true},
    {L"/x /qn", kDirect, true, false, false},
    // The full interface, wherever it stands, asks for a language.
    {L"/qf", kDialog, false, true, true},
    {L"-qf", kDialog, false, true, true},
    {L"/qn -qf", kDialog, false, true, true},
    {L"/qn /qf", kDialog, false, true, true},
    {L"/qn \"-qf\"", kDialog, false, true, true},
    {L"/qf /qn", kDialog, false, false, false},
    {L"/passive /qf", kDialog, false, true, true},
    // A progress bar and no question.
    {L"/passive", kDirect, true, true, false},
    {L"-passive", kDirect, true, true, false},
    {L"/passive /qn", kDirect, true, false, false},
    {L"/qn /passive", kDirect, true, true, false},
    // The help box needs a person, whatever else the arguments say.
    {L"/?", kDirect, false, true, true},
    {L"-?", kDirect, false, true, true},
    {L"/qn /?", kDirect, true, false, true},
    // msiexec.exe reads its switches in any case.
    {L"/Q", kDirect, true, false, false},
    {L"/QN", kDirect, true, false, false},
    {L"/QN+", kDirect, true, false, true},
    {L"/QB", kDirect, true, true, true},
    {L"/QB-", kDirect, true, true, false},
    {L"/QR", kDirect, true, true, true},
    {L"/QN /QF", kDialog, false, true, true},
    {L"/PASSIVE", kDirect, true, true, false},
    {L"-Passive", kDirect, true, true, false},
    // A switch's text inside another argument is no switch.
    {L"/l*v C:\\logs\\setup-q.log", kDialog, false, true, true},
    {L"/l*v C:\\logs\\setup-qn.log", kDialog, false, true, true},
    {L"INSTALLDIR=C:\\my-quiet", kDialog, false, true, true},
    {L"PROP=\"what/?\"", kDialog, false, true, true},
    {L"/passiveX", kDialog, false, true, true},
    {L"/qn LOG=x-qf", kDirect, true, false, false},
};

TEST(LaunchModeTest, EachQuestionForEachArgumentText) {
    for (const SwitchCase& c : kSwitchCases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        EXPECT_EQ(ChooseLaunchMode(false, c.arguments), c.mode);
        EXPECT_EQ(ChooseLaunchMode(true, c.arguments), kDirect) << "with the installed flag";
        EXPECT_EQ(SwitchesAskForNoPerson(c.arguments), c.asksForNoPerson) << "asks for no person";
        EXPECT_EQ(InstallerShowsInterface(c.arguments), c.showsInterface) << "shows an interface";
        EXPECT_EQ(InstallerNeedsAPerson(c.arguments), c.needsAPerson) << "needs a person";
    }
}

// What the station adds: nobody attends, and no progress shows, where nobody
// sees it; and there a dialog, or an installer that may wait for an answer,
// would wait for ever.
TEST(RunSightTest, StationAndSwitches) {
    const struct {
        const wchar_t* arguments;
        bool installed;
        bool seen;
        bool attended;
        bool waitsUnseen;
        bool showsProgress;
    } cases[] = {
        {L"", false, true, true, false, true},
        {L"", false, false, false, true, false},
        {L"", true, false, false, true, false},
        {L"/qn", false, true, false, false, false},
        {L"/qn", false, false, false, false, false},
        {L"/qb", false, false, false, true, false},
        {L"/qb-", false, false, false, false, false},
        {L"/passive", false, true, false, false, true},
        {L"/passive", false, false, false, false, false},
        {L"/qf", false, true, true, false, true},
        {L"/qf", true, false, false, true, false},
        {L"/?", false, false, false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments) + (c.installed ? " installed" : "") +
                     (c.seen ? " seen" : " unseen"));
        EXPECT_EQ(IsAttended(c.seen, c.arguments), c.attended);
        EXPECT_EQ(WouldWaitUnseen(c.seen, ChooseLaunchMode(c.installed, c.arguments), c.arguments),
                  c.waitsUnseen);
        EXPECT_EQ(MayShowProgress(c.seen, c.arguments), c.showsProgress);
    }
}

} // namespace

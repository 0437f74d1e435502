// The exit code of a run, for every outcome, attended or not.
#include "app/outcome.h"

#include <gtest/gtest.h>

namespace {

TEST(ChooseExitCodeTest, Table) {
    const ExitCodeReport zero = ExitCodeReport::Zero;
    const ExitCodeReport installer = ExitCodeReport::Installer;
    struct ExitCase {
        const char* name;
        ExitCodeReport report;
        bool attended;
        Outcome outcome;
        DWORD installerExitCode;
        DWORD expected;
    };
    const ExitCase cases[] = {
        // Where a person attended the run and saw the box, the default build ends with 0.
        {"attended: installer failed", zero, true, Outcome::InstallerEnded, 1603, 0},
        {"attended: bitness", zero, true, Outcome::BitnessUnknown, 0, 0},
        {"attended: no staging folder", zero, true, Outcome::NoStagingFolder, 0, 0},
        {"attended: package not staged", zero, true, Outcome::PackageNotStaged, 0, 0},
        {"attended: Temp full", zero, true, Outcome::TempFull, 0, 0},
        {"attended: installer not started", zero, true, Outcome::InstallerNotStarted, 0, 0},
        {"attended: dialog cancelled", zero, true, Outcome::DialogCancelled, 0, 0},
        {"attended: dialog not shown", zero, true, Outcome::DialogNotShown, 0, 0},
        {"attended: no package for ARM", zero, true, Outcome::PlatformUnsupported, 0, 0},
        {"attended: package changed", zero, true, Outcome::PackageChanged, 0, 0},
        {"attended: session ended", zero, true, Outcome::SessionEnded, 0, 0},
        // A run nobody attends tells everything: the installer's own code...
        {"unattended: installed", zero, false, Outcome::InstallerEnded, 0, 0},
        {"unattended: installer failed", zero, false, Outcome::InstallerEnded, 1603, 1603},
        {"unattended: another install runs", zero, false, Outcome::InstallerEnded, 1618, 1618},
        {"unattended: reboot needed", zero, false, Outcome::InstallerEnded, 3010, 3010},
        {"unattended: reboot started", zero, false, Outcome::InstallerEnded, 1641, 1641},
        {"unattended: user cancelled the installer", zero, false, Outcome::InstallerEnded, 1602,
         1602},
        // ...and the launcher's own failures.
        {"unattended: bitness", zero, false, Outcome::BitnessUnknown, 0, 1603},
        {"unattended: no staging folder", zero, false, Outcome::NoStagingFolder, 0, 1632},
        {"unattended: package not staged", zero, false, Outcome::PackageNotStaged, 0, 1619},
        {"unattended: Temp full", zero, false, Outcome::TempFull, 0, 1632},
        {"unattended: package changed", zero, false, Outcome::PackageChanged, 0, 1620},
        {"unattended: installer not started", zero, false, Outcome::InstallerNotStarted, 0, 1601},
        {"unattended: progress cancelled", zero, false, Outcome::DialogCancelled, 0, 1602},
        {"unattended: no package for ARM", zero, false, Outcome::PlatformUnsupported, 0, 1633},
        {"unattended: session ended", zero, false, Outcome::SessionEnded, 0, 1602},
        // A dialog that nobody could answer is a failure in every build.
        {"unattended: dialog", zero, false, Outcome::DialogUnseen, 0, 1603},
        {"installer: unseen dialog", installer, false, Outcome::DialogUnseen, 0, 1603},
        // A build that reports the installer's outcome does so everywhere.
        {"installer: success", installer, true, Outcome::InstallerEnded, 0, 0},
        {"installer: reboot needed", installer, true, Outcome::InstallerEnded, 3010, 3010},
        {"installer: reboot started", installer, false, Outcome::InstallerEnded, 1641, 1641},
        {"installer: another install runs", installer, true, Outcome::InstallerEnded, 1618, 1618},
        {"installer: crashed", installer, true, Outcome::InstallerEnded, 0xC0000005, 0xC0000005},
        {"installer: bitness", installer, true, Outcome::BitnessUnknown, 0, 1603},
        {"installer: no package for ARM", installer, true, Outcome::PlatformUnsupported, 0, 1633},
        {"installer: no staging folder", installer, true, Outcome::NoStagingFolder, 0, 1632},
        {"installer: Temp full", installer, true, Outcome::TempFull, 0, 1632},
        {"installer: package not staged", installer, false, Outcome::PackageNotStaged, 0, 1619},
        {"installer: not started", installer, true, Outcome::InstallerNotStarted, 0, 1601},
        {"installer: dialog cancelled", installer, true, Outcome::DialogCancelled, 0, 1602},
        {"installer: dialog not shown", installer, true, Outcome::DialogNotShown, 0, 1603},
        {"installer: session ended", installer, true, Outcome::SessionEnded, 0, 1602},
    };
    for (const ExitCase& c : cases) {
        EXPECT_EQ(ChooseExitCode(c.report, c.attended, RunOutcome{c.outcome, c.installerExitCode}),
                  c.expected)
            << c.name;
    }
}

// A started installer's outcome is its own; else the session's end, then
// what staging came to, then a newer version installed.
TEST(ChooseRunOutcomeTest, Table) {
    const InstallerRun notStarted = InstallerRun::NotStarted;
    struct RunCase {
        const char* name;
        StagingResult staged;
        bool newer;
        bool sessionEnded;
        InstallerRun installer;
        DWORD installerExitCode;
        Outcome outcome;
        DWORD expectedExitCode;
    };
    const RunCase cases[] = {
        {"installed", StagingResult::Staged, false, false, InstallerRun::Ended, 0,
         Outcome::InstallerEnded, 0},
        {"installer failed", StagingResult::Staged, false, false, InstallerRun::Ended, 1603,
         Outcome::InstallerEnded, 1603},
        {"session ended under the installer", StagingResult::Staged, false, true,
         InstallerRun::Ended, 3010, Outcome::InstallerEnded, 3010},
        {"end of the installer unknown", StagingResult::Staged, false, false,
         InstallerRun::EndUnknown, 0, Outcome::InstallerEnded, 1603},
        {"installer not started", StagingResult::Staged, false, false, notStarted, 0,
         Outcome::InstallerNotStarted, 0},
        {"newer installed", StagingResult::Staged, true, false, notStarted, 0,
         Outcome::NewerInstalled, 0},
        {"session ended after the staging", StagingResult::Staged, true, true, notStarted, 0,
         Outcome::SessionEnded, 0},
        {"session ended under the staging", StagingResult::SessionEnded, false, true, notStarted, 0,
         Outcome::SessionEnded, 0},
        {"session ended after a cancel", StagingResult::Cancelled, false, true, notStarted, 0,
         Outcome::SessionEnded, 0},
        {"bitness", StagingResult::BitnessUnknown, false, false, notStarted, 0,
         Outcome::BitnessUnknown, 0},
        {"no package for the machine", StagingResult::NoPackageForMachine, false, false, notStarted,
         0, Outcome::PlatformUnsupported, 0},
        {"no launcher folder", StagingResult::NoLauncherFolder, false, false, notStarted, 0,
         Outcome::PackageNotStaged, 0},
        {"no staging folder", StagingResult::NoStagingFolder, false, false, notStarted, 0,
         Outcome::NoStagingFolder, 0},
        {"incomplete", StagingResult::Incomplete, false, false, notStarted, 0,
         Outcome::PackageNotStaged, 0},
        {"Temp full", StagingResult::TempFull, false, false, notStarted, 0, Outcome::TempFull, 0},
        {"changed", StagingResult::Changed, false, false, notStarted, 0, Outcome::PackageChanged,
         0},
        {"progress cancelled", StagingResult::Cancelled, false, false, notStarted, 0,
         Outcome::DialogCancelled, 0},
    };
    for (const RunCase& c : cases) {
        const RunOutcome run =
            ChooseRunOutcome(c.staged, c.newer, c.sessionEnded, c.installer, c.installerExitCode);
        EXPECT_EQ(run.outcome, c.outcome) << c.name;
        EXPECT_EQ(run.installerExitCode, c.expectedExitCode) << c.name;
    }
}

// The session's end, then a cancel, then the seal's verdict; a copy that
// stopped for want of room in the Windows Temp is no fault of the medium's.
TEST(JudgeStagingTest, Table) {
    const struct {
        const char* name;
        bool sessionEnded;
        bool cancelled;
        SealVerdict verdict;
        DWORD error;
        StagingResult staged;
    } cases[] = {
        {"staged", false, false, SealVerdict::Intact, 0, StagingResult::Staged},
        {"changed", false, false, SealVerdict::Changed, 0, StagingResult::Changed},
        {"a cabinet missing", false, false, SealVerdict::Incomplete, ERROR_FILE_NOT_FOUND,
         StagingResult::Incomplete},
        {"a read failed", false, false, SealVerdict::Incomplete, ERROR_READ_FAULT,
         StagingResult::Incomplete},
        {"disk full", false, false, SealVerdict::Incomplete, ERROR_DISK_FULL,
         StagingResult::TempFull},
        {"handle disk full", false, false, SealVerdict::Incomplete, ERROR_HANDLE_DISK_FULL,
         StagingResult::TempFull},
        {"a short write", false, false, SealVerdict::Incomplete, ERROR_WRITE_FAULT,
         StagingResult::TempFull},
        {"quota full", false, false, SealVerdict::Incomplete, 1295, StagingResult::TempFull},
        {"cancelled", false, true, SealVerdict::Incomplete, ERROR_CANCELLED,
         StagingResult::Cancelled},
        {"session ended under a cancel", true, true, SealVerdict::Incomplete, ERROR_CANCELLED,
         StagingResult::SessionEnded},
        {"session ended after the staging", true, false, SealVerdict::Intact, 0,
         StagingResult::SessionEnded},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JudgeStaging(c.sessionEnded, c.cancelled, c.verdict, c.error), c.staged)
            << c.name;
    }
}

// The installer starts on what staging came to, unless a newer version is
// installed or the session ended: exactly where the outcome would be that it
// did not start.
TEST(MayStartInstallerTest, Table) {
    const struct {
        const char* name;
        StagingResult staged;
        bool newer;
        bool sessionEnded;
        bool starts;
    } cases[] = {
        {"staged", StagingResult::Staged, false, false, true},
        {"newer installed", StagingResult::Staged, true, false, false},
        {"session ended", StagingResult::Staged, false, true, false},
        {"incomplete", StagingResult::Incomplete, false, false, false},
        {"changed", StagingResult::Changed, false, false, false},
        {"cancelled", StagingResult::Cancelled, false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MayStartInstaller(c.staged, c.newer, c.sessionEnded), c.starts) << c.name;
    }
}

// A person is told every failure of the launcher's own, and nothing else.
TEST(OutcomeMessageTest, Table) {
    const wchar_t* const initialisation =
        L"Cannot initialise the installation!\nPlease copy or extract the installation package "
        L"to another folder first and try again.";
    const struct {
        Outcome outcome;
        const wchar_t* message; // null: none
    } cases[] = {
        {Outcome::InstallerEnded, nullptr},
        {Outcome::BitnessUnknown, L"Cannot determine whether the OS is 32-bit or 64-bit, please "
                                  L"run the appropriate MSI installation package."},
        {Outcome::PlatformUnsupported, L"This package cannot be installed on Windows on ARM."},
        {Outcome::NoStagingFolder, initialisation},
        {Outcome::PackageNotStaged, initialisation},
        {Outcome::TempFull, initialisation},
        {Outcome::PackageChanged,
         L"The installation package has been changed or damaged. Please obtain it again."},
        {Outcome::InstallerNotStarted,
         L"Cannot start the installation!\nPlease copy or extract the installation package to "
         L"another folder first and try again or install from the appropriate MSI in the "
         L"Package folder directly."},
        {Outcome::NewerInstalled, L"A newer version of this product is already installed."},
        {Outcome::DialogCancelled, nullptr},
        {Outcome::DialogNotShown, nullptr},
        {Outcome::DialogUnseen, nullptr},
        {Outcome::SessionEnded, nullptr},
    };
    for (const auto& c : cases) {
        const wchar_t* const message = OutcomeMessage(c.outcome);
        SCOPED_TRACE(static_cast<int>(c.outcome));
        if (c.message == nullptr) {
            EXPECT_EQ(message, nullptr);
        } else {
            ASSERT_NE(message, nullptr);
            EXPECT_STREQ(message, c.message);
        }
    }
}

// Either reason ends the start before anything is loaded by name.
TEST(ChooseStartRefusalTest, Table) {
    EXPECT_EQ(ChooseStartRefusal(false, true), StartRefusal::None);
    EXPECT_EQ(ChooseStartRefusal(true, true), StartRefusal::DllRedirection);
    EXPECT_EQ(ChooseStartRefusal(false, false), StartRefusal::UnrestrictedSearch);
    EXPECT_EQ(ChooseStartRefusal(true, false), StartRefusal::DllRedirection);
}

} // namespace

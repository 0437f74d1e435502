// The exit code of a run, for every outcome, seen or not.
#include "app/outcome.h"

#include <gtest/gtest.h>

namespace {

TEST(ChooseExitCodeTest, Table) {
    const ExitCodeReport zero = ExitCodeReport::Zero;
    const ExitCodeReport installer = ExitCodeReport::Installer;
    struct ExitCase {
        const char* name;
        ExitCodeReport report;
        bool visible;
        Outcome outcome;
        DWORD installerExitCode;
        DWORD expected;
    };
    const ExitCase cases[] = {
        // Where a person saw the box, the default build ends with 0.
        {"seen: installer failed", zero, true, Outcome::InstallerEnded, 1603, 0},
        {"seen: bitness", zero, true, Outcome::BitnessUnknown, 0, 0},
        {"seen: no staging folder", zero, true, Outcome::NoStagingFolder, 0, 0},
        {"seen: package not staged", zero, true, Outcome::PackageNotStaged, 0, 0},
        {"seen: installer not started", zero, true, Outcome::InstallerNotStarted, 0, 0},
        {"seen: dialog cancelled", zero, true, Outcome::DialogCancelled, 0, 0},
        {"seen: dialog not shown", zero, true, Outcome::DialogNotShown, 0, 0},
        {"seen: no package for ARM", zero, true, Outcome::PlatformUnsupported, 0, 0},
        // Where nobody could, a failure of the launcher's own is told by its code.
        {"unseen: installer ended", zero, false, Outcome::InstallerEnded, 1603, 0},
        {"unseen: bitness", zero, false, Outcome::BitnessUnknown, 0, 1603},
        {"unseen: no staging folder", zero, false, Outcome::NoStagingFolder, 0, 1632},
        {"unseen: package not staged", zero, false, Outcome::PackageNotStaged, 0, 1619},
        {"unseen: installer not started", zero, false, Outcome::InstallerNotStarted, 0, 1601},
        {"unseen: dialog cancelled", zero, false, Outcome::DialogCancelled, 0, 0},
        {"unseen: no package for ARM", zero, false, Outcome::PlatformUnsupported, 0, 1633},
        // A dialog that nobody could answer is a failure in every build.
        {"unseen: dialog", zero, false, Outcome::DialogUnseen, 0, 1603},
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
        {"installer: package not staged", installer, false, Outcome::PackageNotStaged, 0, 1619},
        {"installer: not started", installer, true, Outcome::InstallerNotStarted, 0, 1601},
        {"installer: dialog cancelled", installer, true, Outcome::DialogCancelled, 0, 1602},
        {"installer: dialog not shown", installer, true, Outcome::DialogNotShown, 0, 1603},
        // The session ended under the staging: seen, as a cancel; unseen, told.
        {"seen: session ended", zero, true, Outcome::SessionEnded, 0, 0},
        {"unseen: session ended", zero, false, Outcome::SessionEnded, 0, 1602},
        {"installer: session ended", installer, true, Outcome::SessionEnded, 0, 1602},
    };
    for (const ExitCase& c : cases) {
        EXPECT_EQ(ChooseExitCode(c.report, c.visible, RunOutcome{c.outcome, c.installerExitCode}),
                  c.expected)
            << c.name;
    }
}

} // namespace

// How a start of the launcher ended, and the exit code that tells it.
#pragma once

#include <windows.h>

// How a start of the launcher ended, as far as its exit code is concerned.
enum class Outcome {
    InstallerEnded,      // msiexec.exe ran, with any result of its own
    BitnessUnknown,      // the bitness message
    PlatformUnsupported, // the platform message: no package for this machine
    NoStagingFolder,     // the initialisation message: no staging folder
    PackageNotStaged,    // the initialisation message: the MSI or the cabinets
    PackageChanged,      // the changed message: the staged files are not as sealed
    InstallerNotStarted, // the start message
    DialogCancelled,     // Esc or the close box in the language dialog, or Cancel in
                         // the progress window
    DialogNotShown,      // the language dialog could not be created
    DialogUnseen,        // the language dialog, or an installer that needs a person, was not
                         // started where nobody sees it
    SessionEnded,        // the session ended before the installer started; the last of these
};

struct RunOutcome {
    Outcome outcome = Outcome::InstallerEnded;
    DWORD installerExitCode = 0; // msiexec.exe's, when it ran
};

// What the exit code reports: 0 wherever a person saw the outcome, or the
// Windows Installer code of the outcome in every case.
enum class ExitCodeReport { Zero, Installer };

// The process exit code. Where nobody can see a window (stationVisible
// false), a failure of the launcher's own (bitness, platform, staging,
// start) and a staging that the end of the session stopped end with their
// Windows Installer code in either report, since no box told anyone; so
// does a dialog or an installer that nobody could have answered.
DWORD ChooseExitCode(ExitCodeReport report, bool stationVisible, const RunOutcome& run);

// What the log says of the outcome, before the exit code.
const char* OutcomeReason(Outcome outcome);

// How a start of the launcher ended, and the exit code that tells it.
#pragma once

#include "app/msiexec_command.h"
#include "staging/seal.h"

#include <windows.h>

// How a start of the launcher ended, as far as its exit code is concerned.
enum class Outcome : unsigned char {
    InstallerEnded,      // msiexec.exe ran, with any result of its own
    BitnessUnknown,      // the bitness message
    PlatformUnsupported, // the platform message: no package for this machine
    NoStagingFolder,     // the initialisation message: no staging folder
    PackageNotStaged,    // the initialisation message: the MSI or the cabinets
    TempFull,            // the initialisation message: the Windows Temp cannot take the copies
    PackageChanged,      // the changed message: the staged files are not as sealed
    InstallerNotStarted, // the start message
    NewerInstalled,      // the newer message: a newer version of the product is installed
    CommandRefused,      // the refusal message: an action that the launcher does not carry out
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
    // Whether an installation run ended its staging (app/cleanup.h): every
    // one does, whatever it came to.
    bool stagingEnded = false;
};

// What staging the package came to.
enum class StagingResult {
    Staged,              // every file staged, and as sealed: the installer may start
    BitnessUnknown,      // whether Windows is 32-bit or 64-bit could not be told
    NoPackageForMachine, // the medium has no package for this machine
    NoLauncherFolder,    // the launcher's own folder could not be read
    NoStagingFolder,     // no staging folder could be made
    Incomplete,          // a file could not be staged
    TempFull,            // a copy stopped because the Windows Temp could take no more
    Changed,             // the staged files are not as sealed
    Cancelled,           // Cancel in the progress window
    SessionEnded,        // the session ended under the staging
};

// What staging came to, from whether the session ended under it, whether
// its progress window was cancelled, the seal's verdict on what was staged
// (Incomplete, too, where a copy failed) and the error of the step that
// failed: a copy that stopped because the Windows Temp could take no more
// is no fault of the medium's.
StagingResult JudgeStaging(bool sessionEnded, bool cancelled, SealVerdict verdict, DWORD error);

// How a run ended, from what staging came to, whether a newer version of
// the product is installed (known once the staged package was read),
// whether the session ended before the installer could start, and how the
// installer ran: a started installer's outcome is its own, and one whose
// end is unknown counts as failed.
RunOutcome ChooseRunOutcome(StagingResult staged, bool newerInstalled, bool sessionEnded,
                            InstallerRun installer, DWORD installerExitCode);

// Whether the installer may start: staged, no newer version installed, and
// the session still on. The one precedence that ChooseRunOutcome decides.
bool MayStartInstaller(StagingResult staged, bool newerInstalled, bool sessionEnded);

// The message that tells a person the outcome; null for one that needs none.
const wchar_t* OutcomeMessage(Outcome outcome);

// What the exit code reports of a run that a person attends: 0, since the
// person saw the outcome, or the Windows Installer code of the outcome.
enum class ExitCodeReport { Zero, Installer };

// The process exit code. A run that nobody attends (quiet or passive
// switches, or a station nobody sees) tells every outcome in either report:
// msiexec.exe's own code when it ran, else the Windows Installer code of
// the launcher's failure, since that code is all a deployment system reads.
// A dialog or an installer that nobody could have answered is a failure in
// every run.
DWORD ChooseExitCode(ExitCodeReport report, bool attended, const RunOutcome& run);

// What the log says of the outcome, before the exit code.
const char* OutcomeReason(Outcome outcome);

// Why a start loads nothing more and ends at once, with 1625: a
// "Setup.exe.local" beside the launcher (Windows would load DLLs from it),
// or a loader that cannot be kept from searching beside the launcher.
enum class StartRefusal { None, DllRedirection, UnrestrictedSearch };

StartRefusal ChooseStartRefusal(bool dllRedirectionBeside, bool searchRestricted);

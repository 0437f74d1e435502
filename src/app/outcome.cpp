// How a start of the launcher ended, and the exit code that tells it.
#include "app/outcome.h"

#include <cstddef>

// Windows' own code for a user's full disk quota, which MinGW-w64's headers lack.
#ifndef ERROR_DISK_QUOTA_EXCEEDED
#define ERROR_DISK_QUOTA_EXCEEDED 1295L
#endif

namespace {

const wchar_t kBitnessMessage[] = L"Cannot determine whether the OS is 32-bit or 64-bit, please "
                                  L"run the appropriate MSI installation package.";
const wchar_t kPlatformMessage[] = L"This package cannot be installed on Windows on ARM.";
const wchar_t kInitialisationMessage[] =
    L"Cannot initialise the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again.";
const wchar_t kChangedMessage[] =
    L"The installation package has been changed or damaged. Please obtain it again.";
const wchar_t kNewerMessage[] = L"A newer version of this product is already installed.";
const wchar_t kRefusedMessage[] = L"This command-line option cannot be used with Setup. Use "
                                  L"msiexec.exe for it directly.";
const wchar_t kStartMessage[] =
    L"Cannot start the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again or install from the appropriate MSI in the Package "
    L"folder directly.";

// What an outcome tells: the Windows Installer code that tells a deployment
// system what failed (0 for none of the launcher's failures; every code fits
// 16 bits), whether that code is told to a run that a person attends too
// (nobody could have answered it, whoever attends), the message for a
// person (null: none) and the log's reason.
struct OutcomeRow {
    Outcome outcome;
    unsigned short code;
    bool toldEveryRun;
    const wchar_t* message;
    const char* reason;
};

constexpr OutcomeRow kOutcomes[] = {
    {Outcome::InstallerEnded, 0, false, nullptr, "msiexec.exe ran; exit code "},
    {Outcome::BitnessUnknown, ERROR_INSTALL_FAILURE, false, kBitnessMessage,
     "Windows bitness unknown; exit code "},
    {Outcome::PlatformUnsupported, ERROR_INSTALL_PLATFORM_UNSUPPORTED, false, kPlatformMessage,
     "no package for this Windows; exit code "},
    {Outcome::NoStagingFolder, ERROR_INSTALL_TEMP_UNWRITABLE, false, kInitialisationMessage,
     "no staging folder; exit code "},
    {Outcome::PackageNotStaged, ERROR_INSTALL_PACKAGE_OPEN_FAILED, false, kInitialisationMessage,
     "package not staged; exit code "},
    {Outcome::TempFull, ERROR_INSTALL_TEMP_UNWRITABLE, false, kInitialisationMessage,
     "Windows Temp full; exit code "},
    {Outcome::PackageChanged, ERROR_INSTALL_PACKAGE_INVALID, false, kChangedMessage,
     "package not as sealed; exit code "},
    {Outcome::InstallerNotStarted, ERROR_INSTALL_SERVICE_FAILURE, false, kStartMessage,
     "msiexec.exe not started; exit code "},
    {Outcome::NewerInstalled, ERROR_PRODUCT_VERSION, false, kNewerMessage,
     "newer version installed; exit code "},
    {Outcome::CommandRefused, ERROR_INVALID_COMMAND_LINE, false, kRefusedMessage,
     "command-line option refused; exit code "},
    {Outcome::DialogCancelled, ERROR_INSTALL_USEREXIT, false, nullptr, "cancelled; exit code "},
    {Outcome::DialogNotShown, ERROR_INSTALL_FAILURE, false, nullptr,
     "dialog not shown; exit code "},
    {Outcome::DialogUnseen, ERROR_INSTALL_FAILURE, true, nullptr,
     "nobody sees the screen to answer; exit code "},
    {Outcome::SessionEnded, ERROR_INSTALL_USEREXIT, false, nullptr, "session ended; exit code "},
};

// What a run that did not start the installer ends with, by what staging
// came to.
struct StagingRow {
    StagingResult staged;
    Outcome outcome;
};

constexpr StagingRow kStagingOutcomes[] = {
    {StagingResult::Staged, Outcome::InstallerNotStarted},
    {StagingResult::BitnessUnknown, Outcome::BitnessUnknown},
    {StagingResult::NoPackageForMachine, Outcome::PlatformUnsupported},
    {StagingResult::NoLauncherFolder, Outcome::PackageNotStaged},
    {StagingResult::NoStagingFolder, Outcome::NoStagingFolder},
    {StagingResult::Incomplete, Outcome::PackageNotStaged},
    {StagingResult::TempFull, Outcome::TempFull},
    {StagingResult::Changed, Outcome::PackageChanged},
    {StagingResult::Cancelled, Outcome::DialogCancelled},
    {StagingResult::SessionEnded, Outcome::SessionEnded},
};

// Whether row n of a table names the n-th value of its enumeration, for
// every value up to and with last: a row moved or missing does not compile.
template <typename Row, size_t count, typename Key, typename Value>
constexpr bool RowsInOrder(const Row (&rows)[count], Key Row::*key, Value last) {
    for (size_t row = 0; row < count; ++row) {
        if (static_cast<size_t>(rows[row].*key) != row) {
            return false;
        }
    }
    return count == static_cast<size_t>(last) + 1;
}

static_assert(RowsInOrder(kOutcomes, &OutcomeRow::outcome, Outcome::SessionEnded),
              "one row for every outcome, in the order of Outcome");
static_assert(RowsInOrder(kStagingOutcomes, &StagingRow::staged, StagingResult::SessionEnded),
              "one row for every staging result, in the order of StagingResult");

const OutcomeRow& RowOf(Outcome outcome) {
    return kOutcomes[static_cast<size_t>(outcome)];
}

// Whether a copy stopped because the Windows Temp could take no more: a
// short write without an error is what a full disk gives too, and a user's
// quota is as full as a disk.
bool TempFull(DWORD error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ||
           error == ERROR_WRITE_FAULT || error == ERROR_DISK_QUOTA_EXCEEDED;
}

} // namespace

StagingResult JudgeStaging(bool sessionEnded, bool cancelled, SealVerdict verdict, DWORD error) {
    if (sessionEnded) {
        return StagingResult::SessionEnded;
    }
    if (cancelled) {
        return StagingResult::Cancelled;
    }
    switch (verdict) {
    case SealVerdict::Intact:
        return StagingResult::Staged;
    case SealVerdict::Changed:
        return StagingResult::Changed;
    default:
        return TempFull(error) ? StagingResult::TempFull : StagingResult::Incomplete;
    }
}

RunOutcome ChooseRunOutcome(StagingResult staged, bool newerInstalled, bool sessionEnded,
                            InstallerRun installer, DWORD installerExitCode) {
    if (installer != InstallerRun::NotStarted) {
        return RunOutcome{Outcome::InstallerEnded, installer == InstallerRun::Ended
                                                       ? installerExitCode
                                                       : ERROR_INSTALL_FAILURE};
    }
    if (sessionEnded) {
        return RunOutcome{Outcome::SessionEnded, 0};
    }
    if (staged == StagingResult::Staged && newerInstalled) {
        return RunOutcome{Outcome::NewerInstalled, 0};
    }
    return RunOutcome{kStagingOutcomes[static_cast<size_t>(staged)].outcome, 0};
}

bool MayStartInstaller(StagingResult staged, bool newerInstalled, bool sessionEnded) {
    // Staged, and nothing stops it: the outcome would be that it did not start.
    return ChooseRunOutcome(staged, newerInstalled, sessionEnded, InstallerRun::NotStarted, 0)
               .outcome == Outcome::InstallerNotStarted;
}

const wchar_t* OutcomeMessage(Outcome outcome) {
    return RowOf(outcome).message;
}

DWORD ChooseExitCode(ExitCodeReport report, bool attended, const RunOutcome& run) {
    const OutcomeRow& row = RowOf(run.outcome);
    if (!row.toldEveryRun && attended && report == ExitCodeReport::Zero) {
        return 0;
    }
    return run.outcome == Outcome::InstallerEnded ? run.installerExitCode : row.code;
}

const char* OutcomeReason(Outcome outcome) {
    return RowOf(outcome).reason;
}

StartRefusal ChooseStartRefusal(bool dllRedirectionBeside, bool searchRestricted) {
    if (dllRedirectionBeside) {
        return StartRefusal::DllRedirection;
    }
    return searchRestricted ? StartRefusal::None : StartRefusal::UnrestrictedSearch;
}

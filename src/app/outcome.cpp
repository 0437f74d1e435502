// How a start of the launcher ended, and the exit code that tells it.
#include "app/outcome.h"

namespace {

// The Windows Installer code that tells a deployment system what failed, or
// 0 for an outcome that is no failure of the launcher's.
DWORD FailureCode(Outcome outcome) {
    // In the order of Outcome; every code fits 16 bits.
    static const unsigned short kCodes[] = {
        0,
        ERROR_INSTALL_FAILURE,
        ERROR_INSTALL_PLATFORM_UNSUPPORTED,
        ERROR_INSTALL_TEMP_UNWRITABLE,
        ERROR_INSTALL_PACKAGE_OPEN_FAILED,
        ERROR_INSTALL_TEMP_UNWRITABLE,
        ERROR_INSTALL_PACKAGE_INVALID,
        ERROR_INSTALL_SERVICE_FAILURE,
        ERROR_PRODUCT_VERSION,
        ERROR_INSTALL_USEREXIT,
        ERROR_INSTALL_FAILURE,
        ERROR_INSTALL_FAILURE,
        ERROR_INSTALL_USEREXIT,
    };
    static_assert(sizeof(kCodes) / sizeof(kCodes[0]) ==
                      static_cast<size_t>(Outcome::SessionEnded) + 1,
                  "a code for every outcome, in the order of Outcome");
    return kCodes[static_cast<int>(outcome)];
}

const wchar_t kBitnessMessage[] = L"Cannot determine whether the OS is 32-bit or 64-bit, please "
                                  L"run the appropriate MSI installation package.";
const wchar_t kPlatformMessage[] = L"This package cannot be installed on Windows on ARM.";
const wchar_t kInitialisationMessage[] =
    L"Cannot initialise the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again.";
const wchar_t kChangedMessage[] =
    L"The installation package has been changed or damaged. Please obtain it again.";
const wchar_t kNewerMessage[] = L"A newer version of this product is already installed.";
const wchar_t kStartMessage[] =
    L"Cannot start the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again or install from the appropriate MSI in the Package "
    L"folder directly.";

} // namespace

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
    static const Outcome kStaged[] = {
        Outcome::InstallerNotStarted,
        Outcome::BitnessUnknown,
        Outcome::PlatformUnsupported,
        Outcome::PackageNotStaged,
        Outcome::NoStagingFolder,
        Outcome::PackageNotStaged,
        Outcome::TempFull,
        Outcome::PackageChanged,
        Outcome::DialogCancelled,
        Outcome::SessionEnded,
    };
    static_assert(sizeof(kStaged) / sizeof(kStaged[0]) ==
                      static_cast<size_t>(StagingResult::SessionEnded) + 1,
                  "an outcome for every staging result, in the order of StagingResult");
    if (staged == StagingResult::Staged && newerInstalled) {
        return RunOutcome{Outcome::NewerInstalled, 0};
    }
    return RunOutcome{kStaged[static_cast<int>(staged)], 0};
}

const wchar_t* OutcomeMessage(Outcome outcome) {
    static const wchar_t* const kMessages[] = {kBitnessMessage,        kPlatformMessage,
                                               kInitialisationMessage, kChangedMessage,
                                               kStartMessage,          kNewerMessage};
    // In the order of Outcome: which of them, from 1 on; 0 for none.
    static const unsigned char kMessage[] = {0, 1, 2, 3, 3, 3, 4, 5, 6, 0, 0, 0, 0};
    static_assert(sizeof(kMessage) == static_cast<size_t>(Outcome::SessionEnded) + 1,
                  "a message or none for every outcome, in the order of Outcome");
    const int message = kMessage[static_cast<int>(outcome)];
    return message == 0 ? nullptr : kMessages[message - 1];
}

DWORD ChooseExitCode(ExitCodeReport report, bool attended, const RunOutcome& run) {
    if (run.outcome == Outcome::InstallerEnded) {
        return attended && report == ExitCodeReport::Zero ? 0 : run.installerExitCode;
    }
    // Nobody could have answered it, whoever attends the run.
    if (run.outcome == Outcome::DialogUnseen) {
        return ERROR_INSTALL_FAILURE;
    }
    return attended && report == ExitCodeReport::Zero ? 0 : FailureCode(run.outcome);
}

const char* OutcomeReason(Outcome outcome) {
    static const char* const kReasons[] = {
        "msiexec.exe ran; exit code ",
        "Windows bitness unknown; exit code ",
        "no package for this Windows; exit code ",
        "no staging folder; exit code ",
        "package not staged; exit code ",
        "Windows Temp full; exit code ",
        "package not as sealed; exit code ",
        "msiexec.exe not started; exit code ",
        "newer version installed; exit code ",
        "cancelled; exit code ",
        "dialog not shown; exit code ",
        "nobody sees the screen to answer; exit code ",
        "session ended; exit code ",
    };
    static_assert(sizeof(kReasons) / sizeof(kReasons[0]) ==
                      static_cast<size_t>(Outcome::SessionEnded) + 1,
                  "a reason for every outcome, in the order of Outcome");
    return kReasons[static_cast<int>(outcome)];
}

StartRefusal ChooseStartRefusal(bool dllRedirectionBeside, bool searchRestricted) {
    if (dllRedirectionBeside) {
        return StartRefusal::DllRedirection;
    }
    return searchRestricted ? StartRefusal::None : StartRefusal::UnrestrictedSearch;
}

// How a start of the launcher ended, and the exit code that tells it.
#include "app/outcome.h"

namespace {

// The Windows Installer code that tells a deployment system what failed, or
// 0 for an outcome that is no failure of the launcher's.
DWORD FailureCode(Outcome outcome) {
    switch (outcome) {
    case Outcome::BitnessUnknown:
        return ERROR_INSTALL_FAILURE;
    case Outcome::PlatformUnsupported:
        return ERROR_INSTALL_PLATFORM_UNSUPPORTED;
    case Outcome::NoStagingFolder:
    case Outcome::TempFull:
        return ERROR_INSTALL_TEMP_UNWRITABLE;
    case Outcome::PackageNotStaged:
        return ERROR_INSTALL_PACKAGE_OPEN_FAILED;
    case Outcome::PackageChanged:
        return ERROR_INSTALL_PACKAGE_INVALID;
    case Outcome::InstallerNotStarted:
        return ERROR_INSTALL_SERVICE_FAILURE;
    case Outcome::NewerInstalled:
        return ERROR_PRODUCT_VERSION;
    case Outcome::SessionEnded:
    case Outcome::DialogCancelled:
        return ERROR_INSTALL_USEREXIT;
    case Outcome::DialogNotShown:
    case Outcome::DialogUnseen:
        return ERROR_INSTALL_FAILURE;
    default:
        return 0;
    }
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
    switch (outcome) {
    case Outcome::BitnessUnknown:
        return kBitnessMessage;
    case Outcome::PlatformUnsupported:
        return kPlatformMessage;
    case Outcome::NoStagingFolder:
    case Outcome::PackageNotStaged:
    case Outcome::TempFull:
        return kInitialisationMessage;
    case Outcome::PackageChanged:
        return kChangedMessage;
    case Outcome::NewerInstalled:
        return kNewerMessage;
    case Outcome::InstallerNotStarted:
        return kStartMessage;
    default:
        return nullptr;
    }
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

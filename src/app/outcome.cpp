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
        return ERROR_INSTALL_TEMP_UNWRITABLE;
    case Outcome::PackageNotStaged:
        return ERROR_INSTALL_PACKAGE_OPEN_FAILED;
    case Outcome::PackageChanged:
        return ERROR_INSTALL_PACKAGE_INVALID;
    case Outcome::InstallerNotStarted:
        return ERROR_INSTALL_SERVICE_FAILURE;
    case Outcome::SessionEnded:
        return ERROR_INSTALL_USEREXIT;
    default:
        return 0;
    }
}

} // namespace

DWORD ChooseExitCode(ExitCodeReport report, bool stationVisible, const RunOutcome& run) {
    const bool installer = report == ExitCodeReport::Installer;
    switch (run.outcome) {
    case Outcome::InstallerEnded:
        return installer ? run.installerExitCode : 0;
    case Outcome::DialogCancelled:
        return installer ? ERROR_INSTALL_USEREXIT : 0;
    case Outcome::DialogNotShown:
        return installer ? ERROR_INSTALL_FAILURE : 0;
    case Outcome::DialogUnseen:
        return ERROR_INSTALL_FAILURE;
    default:
        return installer || !stationVisible ? FailureCode(run.outcome) : 0;
    }
}

const char* OutcomeReason(Outcome outcome) {
    static const char* const kReasons[] = {
        "msiexec.exe ran; exit code ",
        "Windows bitness unknown; exit code ",
        "no package for this Windows; exit code ",
        "no staging folder; exit code ",
        "package not staged; exit code ",
        "package not as sealed; exit code ",
        "msiexec.exe not started; exit code ",
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

// The entry point: the start-up sequence and the choice of mode.
#include "app/cleanup.h"
#include "app/installation.h"
#include "app/installed_state.h"
#include "app/language_dialog.h"
#include "app/launch_mode.h"
#include "app/log_files.h"
#include "app/outcome.h"
#include "base/globals.h"
#include "base/resource_string.h"
#include "base/grown_text.h"
#include "base/system_library.h"
#include "base/run_log.h"
#include "res/resource.h"
#include "ui/common_controls.h"
#include "ui/window_station.h"

#include <commctrl.h>

namespace {

#if SETUP_EXIT_CODE_INSTALLER
const ExitCodeReport kExitCodeReport = ExitCodeReport::Installer;
#else
const ExitCodeReport kExitCodeReport = ExitCodeReport::Zero;
#endif

// A folder or file "<own name>.local" beside the launcher would make
// Windows load the common controls, and other DLLs, from it: one planted
// there would run elevated. True, too, when it cannot be told.
bool DllRedirectionBeside() {
    std::wstring path;
    if (!ReadModuleFileName(path)) {
        return true;
    }
    if (GetFileAttributesW((path + L".local").c_str()) != INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// From here on, DLLs load from the system folder only, so that one planted
// beside the launcher cannot load into the elevated process later (the
// imported ones are loaded before wWinMain). False where the loader lacks
// the function (Vista, Windows 7 without its 2011 loader update).
bool RestrictDllSearchToSystem() {
    const auto setDefaultDllDirectories =
        LoadedFunction<BOOL(WINAPI*)(DWORD)>(L"kernel32", "SetDefaultDllDirectories");
    return setDefaultDllDirectories != nullptr &&
           setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The exit code, as the log tells it.
int Ended(const char* reason, DWORD code) {
    LogNumber(reason, code);
    return static_cast<int>(code);
}

int Ended(bool attended, const RunOutcome& run) {
    return Ended(OutcomeReason(run.outcome), ChooseExitCode(kExitCodeReport, attended, run));
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    // Before anything can load a DLL from there.
    const StartRefusal refusal =
        ChooseStartRefusal(DllRedirectionBeside(), RestrictDllSearchToSystem());
    g_hInstance = instance;
    if (commandLine != nullptr) {
        g_commandLine = commandLine;
    }
    RunRequest request;
    request.module = instance;
    request.packageName = LoadResourceString(instance, IDS_PACKAGE_NAME);
    request.token = ReadToken();
    RunLogs logs;
    MsiLibrary msi;
    logs.Start(instance, g_commandLine, request.packageName, request.token);
    // No window, no box: a box, like the common controls, loads DLLs by name.
    if (refusal != StartRefusal::None) {
        return Ended(refusal == StartRefusal::DllRedirection
                         ? "Setup.exe.local beside the launcher; exit code "
                         : "DLL search not restricted; exit code ",
                     ERROR_INSTALL_PACKAGE_REJECTED);
    }

    request.arguments = LauncherArguments(g_commandLine);
    request.languages = &g_languageList;
    request.logs = &logs;
    request.msi = &msi;
    const StationSight sight = JudgeStation(ReadStationFacts());
    LogLine(StationSightText(sight));
    request.stationSeen = sight == StationSight::Seen;
    const bool installed = IsProductInstalled(instance);
    LogLine(installed ? "installed flag: set" : "installed flag: not set");
    const LaunchMode mode = ChooseLaunchMode(installed, request.arguments);
    LogLine(mode == LaunchMode::Interactive ? "mode: language dialog"
            : installed                     ? "mode: direct, installed flag"
                                            : "mode: direct, switches");
    request.attended = IsAttended(request.stationSeen, request.arguments);
    LogLine(request.attended ? "run: attended" : "run: unattended");
    request.action = ChooseAction(request.arguments);
    LogLine(InstallerActionText(request.action.action),
            request.action.action == InstallerAction::Refused
                ? request.arguments.split[request.action.lastSwitch].text.c_str()
                : L"");
    RunOutcome run;
    if (request.action.action == InstallerAction::Refused) {
        run = Tell(request, nullptr, RunOutcome{Outcome::CommandRefused, 0});
    } else if (WouldWaitUnseen(request.stationSeen, mode, request.arguments)) {
        run = RunOutcome{Outcome::DialogUnseen, 0};
    } else if (mode == LaunchMode::Interactive) {
        // Only a run that shows a window of its own pays for the controls.
        InitialiseCommonControls(ICC_STANDARD_CLASSES | ICC_BAR_CLASSES);
        DialogRun dialog;
        dialog.request = &request;
        const INT_PTR ended =
            DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_LANGUAGE), nullptr, LanguageDialogProc,
                            reinterpret_cast<LPARAM>(&dialog));
        run = ended == IDOK       ? dialog.outcome
              : ended == IDCANCEL ? RunOutcome{Outcome::DialogCancelled, 0}
                                  : RunOutcome{Outcome::DialogNotShown, 0};
    } else {
        run = RunInstallation(request, nullptr, nullptr);
    }
    // What runs that never came back left, a start without a run ends too.
    if (!run.stagingEnded) {
        EndStaging(request, RunStagingFolder{}, InstallerRun::NotStarted);
    }
    return Ended(request.attended, run);
}

// The entry point: the start-up sequence and the choice of mode.
#include "app/installation.h"
#include "app/installed_state.h"
#include "app/language_dialog.h"
#include "app/launch_mode.h"
#include "app/log_files.h"
#include "app/outcome.h"
#include "base/globals.h"
#include "base/grown_text.h"
#include "base/loaded_function.h"
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
// imported ones are loaded before wWinMain). The function is missing on an
// unpatched Vista; then nothing is done.
void RestrictDllSearchToSystem() {
    const auto setDefaultDllDirectories =
        LoadedFunction<BOOL(WINAPI*)(DWORD)>(L"kernel32", "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

// The exit code, as the log tells it.
int Ended(const char* reason, DWORD code) {
    LogNumber(reason, code);
    return static_cast<int>(code);
}

int Ended(bool stationVisible, const RunOutcome& run) {
    return Ended(OutcomeReason(run.outcome), ChooseExitCode(kExitCodeReport, stationVisible, run));
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    // Before anything can load a DLL from there.
    const bool redirected = DllRedirectionBeside();
    RestrictDllSearchToSystem();
    g_hInstance = instance;
    if (commandLine != nullptr) {
        g_commandLine = commandLine;
    }
    StartLogs(instance, g_commandLine);
    // No window, no box: nothing that loads the common controls.
    if (redirected) {
        return Ended("Setup.exe.local beside the launcher; exit code ",
                     ERROR_INSTALL_PACKAGE_REJECTED);
    }

    InitialiseCommonControls(ICC_STANDARD_CLASSES | ICC_BAR_CLASSES);

    RunOutcome run;
    const bool stationVisible = IsWindowStationVisible();
    LogLine(stationVisible ? "station: visible" : "station: nobody sees it");
    const bool installed = IsProductInstalled();
    LogLine(installed ? "installed flag: set" : "installed flag: not set");
    const LaunchMode mode = ChooseLaunchMode(installed, g_commandLine);
    LogLine(mode == LaunchMode::Interactive ? "mode: language dialog"
            : installed                     ? "mode: direct, installed flag"
                                            : "mode: direct, switches");
    // Nobody could answer the dialog or the installer there: either would
    // wait for ever, whatever the installed flag says.
    if (!stationVisible &&
        (mode == LaunchMode::Interactive || InstallerNeedsAPerson(g_commandLine))) {
        return Ended(false, RunOutcome{Outcome::DialogUnseen, 0});
    }
    if (mode == LaunchMode::Interactive) {
        const INT_PTR ended = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_LANGUAGE), nullptr,
                                              LanguageDialogProc, 0);
        run = ended == IDOK       ? g_dialogRun
              : ended == IDCANCEL ? RunOutcome{Outcome::DialogCancelled, 0}
                                  : RunOutcome{Outcome::DialogNotShown, 0};
    } else {
        run = RunInstallation(g_hInstance, nullptr, std::wstring());
    }
    return Ended(stationVisible, run);
}

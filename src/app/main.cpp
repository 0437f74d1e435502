#include "app/globals.h"
#include "app/installation.h"
#include "app/installed_state.h"
#include "app/launch_mode.h"
#include "app/loaded_function.h"
#include "app/outcome.h"
#include "language/language_dialog.h"
#include "res/resource.h"

#include <commctrl.h>

namespace {

#if SETUP_EXIT_CODE_INSTALLER
const ExitCodeReport kExitCodeReport = ExitCodeReport::Installer;
#else
const ExitCodeReport kExitCodeReport = ExitCodeReport::Zero;
#endif

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

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    RestrictDllSearchToSystem();
    g_hInstance = instance;
    if (commandLine != nullptr) {
        g_commandLine = commandLine;
    }

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);

    RunOutcome run;
    if (ChooseLaunchMode(IsProductInstalled(), g_commandLine) == LaunchMode::Interactive) {
        const INT_PTR ended = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_LANGUAGE), nullptr,
                                              LanguageDialogProc, 0);
        run = ended == IDOK       ? g_dialogRun
              : ended == IDCANCEL ? RunOutcome{Outcome::DialogCancelled, 0}
                                  : RunOutcome{Outcome::DialogNotShown, 0};
    } else {
        run = RunInstallation(g_hInstance, nullptr, std::wstring());
    }
    return static_cast<int>(ChooseExitCode(kExitCodeReport, IsWindowStationVisible(), run));
}

#include "app/globals.h"
#include "app/installation.h"
#include "app/installed_state.h"
#include "app/launch_mode.h"
#include "language/language_dialog.h"
#include "res/resource.h"

#include <commctrl.h>

namespace {

// Keeps DLLs planted beside the launcher from loading into the elevated
// process. The function is missing on an unpatched Vista; then nothing is done.
void RestrictDllSearchToSystem() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32");
    if (kernel == nullptr) {
        return;
    }
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
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

    if (ChooseLaunchMode(IsProductInstalled(), g_commandLine) == LaunchMode::Interactive) {
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_LANGUAGE), nullptr, LanguageDialogProc, 0);
    } else {
        RunInstallation(g_hInstance, nullptr, std::wstring());
    }
    return 0;
}

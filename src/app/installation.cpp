#include "app/installation.h"
#include "app/installed_state.h"
#include "app/loaded_function.h"
#include "app/msiexec_command.h"
#include "app/outcome.h"
#include "language/language_list.h"
#include "res/resource.h"
#include "staging/staging.h"

namespace {

const wchar_t kBitnessMessage[] = L"Cannot determine whether the OS is 32-bit or 64-bit, please "
                                  L"run the appropriate MSI installation package.";
const wchar_t kInitialisationMessage[] =
    L"Cannot initialise the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again.";
const wchar_t kStartMessage[] =
    L"Cannot start the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again or install from the appropriate MSI in the Package "
    L"folder directly.";

// Where nobody can see it, a box would wait forever: the exit code tells
// the outcome there instead.
RunOutcome Fail(HWND owner, const wchar_t* text, Outcome outcome) {
    if (IsWindowStationVisible()) {
        MessageBoxW(owner, text, L"Error", MB_OK | MB_ICONWARNING);
    }
    return RunOutcome{outcome, 0};
}

// Looked up by name, so that the launcher still starts on a Windows without
// IsWow64Process and reports the failure only when a run needs it.
bool QueryWow64(BOOL& wow64) {
    const auto isWow64Process =
        LoadedFunction<BOOL(WINAPI*)(HANDLE, PBOOL)>(L"kernel32", "IsWow64Process");
    return isWow64Process != nullptr && isWow64Process(GetCurrentProcess(), &wow64) != FALSE;
}

} // namespace

std::wstring PackageFileName(const std::wstring& packageName, bool wow64) {
    return packageName + (wow64 ? L"x64.msi" : L"x86.msi");
}

RunOutcome RunInstallation(HINSTANCE module, HWND owner, const std::wstring& languageName) {
    BOOL wow64 = FALSE;
    if (!QueryWow64(wow64)) {
        return Fail(owner, kBitnessMessage, Outcome::BitnessUnknown);
    }
    const std::wstring transform = g_languageList.FindTransformByName(languageName);
    const std::wstring sourceFolder = GetModuleDirectory() + L"Package\\";
    StagingFolderHold hold;
    const std::wstring stagingFolder = CreateStagingDirectory(hold);
    if (stagingFolder.empty()) {
        return Fail(owner, kInitialisationMessage, Outcome::NoStagingFolder);
    }
    const std::wstring msiName =
        PackageFileName(LoadResourceString(module, IDS_PACKAGE_NAME), wow64 != FALSE);
    // The installer reads the staged copies elevated: each is locked as soon
    // as it is made, until the installer has ended, so that nobody changes it.
    StagedFilesLock lock;
    const bool staged = CopyPackageFile(sourceFolder, stagingFolder, msiName, lock) &&
                        CopyMatchingFiles(sourceFolder, stagingFolder, L"*.cab", lock);
    DWORD installerExitCode = 0;
    const InstallerRun installer =
        staged ? LaunchMsiexec(stagingFolder + msiName, transform, installerExitCode)
               : InstallerRun::NotStarted;
    if (installer == InstallerRun::EndUnknown) {
        // The installer may still read the copies: they go at the next restart.
        hold.ScheduleTree();
        return RunOutcome{Outcome::InstallerEnded, ERROR_INSTALL_FAILURE};
    }
    // Whatever happened, the copy goes; the installer's own outcome is its business.
    lock.Release();
    hold.DeleteTree();
    if (!staged) {
        return Fail(owner, kInitialisationMessage, Outcome::PackageNotStaged);
    }
    if (installer == InstallerRun::NotStarted) {
        return Fail(owner, kStartMessage, Outcome::InstallerNotStarted);
    }
    return RunOutcome{Outcome::InstallerEnded, installerExitCode};
}

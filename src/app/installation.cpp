#include "app/installation.h"
#include "app/globals.h"
#include "app/launch_mode.h"
#include "app/progress_window.h"
#include "app/installed_state.h"
#include "app/loaded_function.h"
#include "app/msiexec_command.h"
#include "app/outcome.h"
#include "language/language_list.h"
#include "res/resource.h"
#include "staging/seal.h"
#include "staging/staging.h"

namespace {

const wchar_t kBitnessMessage[] = L"Cannot determine whether the OS is 32-bit or 64-bit, please "
                                  L"run the appropriate MSI installation package.";
const wchar_t kPlatformMessage[] = L"This package cannot be installed on Windows on ARM.";
const wchar_t kInitialisationMessage[] =
    L"Cannot initialise the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again.";
const wchar_t kChangedMessage[] =
    L"The installation package has been changed or damaged. Please obtain it again.";
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

// Stages the MSI and every cabinet, each locked as soon as it is made, and
// checks them against the seal of a sealed launcher, telling progress (when
// there is one) as it goes: InstallerEnded when the installer may start on
// them, else why not.
Outcome StagePackage(const std::wstring& sourceFolder, const std::wstring& stagingFolder,
                     const std::wstring& msiName, StagedFilesLock& lock, ProgressWindow* progress) {
    SealVerdict verdict = SealVerdict::Intact;
    if (!CopyPackageFile(sourceFolder, stagingFolder, msiName, lock, progress) ||
        !CopyMatchingFiles(sourceFolder, stagingFolder, L"*.cab", lock, progress)) {
        verdict = SealVerdict::Incomplete;
    } else if (g_packageSealed) {
        verdict = VerifyStagedFiles(lock, msiName, progress);
    }
    if (progress != nullptr && progress->Cancelled()) {
        return Outcome::DialogCancelled;
    }
    switch (verdict) {
    case SealVerdict::Intact:
        return Outcome::InstallerEnded;
    case SealVerdict::Changed:
        return Outcome::PackageChanged;
    default:
        return Outcome::PackageNotStaged;
    }
}

// The language of the installation, or else of the user interface.
LANGID RunLanguage(const std::wstring& languageName) {
    for (const Main::Language& language : g_languageList.languages) {
        if (language.displayName == languageName) {
            return static_cast<LANGID>(language.languageId);
        }
    }
    return g_languageList.uiLanguage;
}

// The process's and the native machine, from IsWow64Process2 where Windows
// has it (Windows 10 1511 on), else as IsWow64Process tells 64-bit from
// 32-bit Windows. Both are looked up by name, so that the launcher still
// starts on a Windows without them and reports the failure only when a run
// needs it.
bool QueryMachines(USHORT& processMachine, USHORT& nativeMachine) {
    const auto isWow64Process2 =
        LoadedFunction<BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*)>(L"kernel32", "IsWow64Process2");
    if (isWow64Process2 != nullptr &&
        isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine)) {
        return true;
    }
    const auto isWow64Process =
        LoadedFunction<BOOL(WINAPI*)(HANDLE, PBOOL)>(L"kernel32", "IsWow64Process");
    BOOL wow64 = FALSE;
    if (isWow64Process == nullptr || !isWow64Process(GetCurrentProcess(), &wow64)) {
        return false;
    }
    processMachine = wow64 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_UNKNOWN;
    nativeMachine = wow64 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    return true;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

PackageChoice ChoosePackage(USHORT processMachine, USHORT nativeMachine, bool arm64OnMedium) {
    switch (nativeMachine) {
    case IMAGE_FILE_MACHINE_ARM64:
        return arm64OnMedium ? PackageChoice::Arm64 : PackageChoice::None;
    case IMAGE_FILE_MACHINE_AMD64:
        return PackageChoice::X64;
    case IMAGE_FILE_MACHINE_I386:
        return PackageChoice::X86;
    default:
        // Any other 64-bit Windows as IsWow64Process alone would have it.
        return processMachine != IMAGE_FILE_MACHINE_UNKNOWN ? PackageChoice::X64
                                                            : PackageChoice::X86;
    }
}

std::wstring PackageFileName(const std::wstring& packageName, PackageChoice choice) {
    switch (choice) {
    case PackageChoice::X64:
        return packageName + L"x64.msi";
    case PackageChoice::Arm64:
        return packageName + L"arm64.msi";
    default:
        return packageName + L"x86.msi";
    }
}

RunOutcome RunInstallation(HINSTANCE module, HWND owner, const std::wstring& languageName) {
    USHORT processMachine = IMAGE_FILE_MACHINE_UNKNOWN;
    USHORT nativeMachine = IMAGE_FILE_MACHINE_UNKNOWN;
    if (!QueryMachines(processMachine, nativeMachine)) {
        return Fail(owner, kBitnessMessage, Outcome::BitnessUnknown);
    }
    const std::wstring launcherFolder = GetModuleDirectory();
    if (g_lastError != 0) {
        return Fail(owner, kInitialisationMessage, Outcome::PackageNotStaged);
    }
    const std::wstring sourceFolder = launcherFolder + L"Package\\";
    const std::wstring packageName = LoadResourceString(module, IDS_PACKAGE_NAME);
    const PackageChoice package =
        ChoosePackage(processMachine, nativeMachine,
                      IsFile(sourceFolder + PackageFileName(packageName, PackageChoice::Arm64)));
    if (package == PackageChoice::None) {
        return Fail(owner, kPlatformMessage, Outcome::PlatformUnsupported);
    }
    const std::wstring msiName = PackageFileName(packageName, package);
    const std::wstring transform = g_languageList.FindTransformByName(languageName);
    StagingFolderHold hold;
    const std::wstring stagingFolder = CreateStagingDirectory(hold);
    if (stagingFolder.empty()) {
        return Fail(owner, kInitialisationMessage, Outcome::NoStagingFolder);
    }
    // The installer reads the staged copies elevated: they stay locked until
    // it has ended, so that nobody changes them.
    StagedFilesLock lock;
    // Where the installer will show itself, a person waits for it meanwhile.
    const bool showProgress = IsWindowStationVisible() && InstallerShowsInterface(g_commandLine);
    ProgressWindow progress(module, owner, ChooseProgressTexts(RunLanguage(languageName)),
                            showProgress ? PackageBytes(sourceFolder, msiName, L"*.cab") *
                                               (g_packageSealed ? 2 : 1)
                                         : 0);
    const Outcome staged = StagePackage(sourceFolder, stagingFolder, msiName, lock,
                                        showProgress ? &progress : nullptr);
    progress.Close();
    DWORD installerExitCode = 0;
    const InstallerRun installer =
        staged == Outcome::InstallerEnded
            ? LaunchMsiexec(stagingFolder + msiName, transform, installerExitCode)
            : InstallerRun::NotStarted;
    if (installer == InstallerRun::EndUnknown) {
        // The installer may still read the copies: they go at the next restart.
        hold.ScheduleTree();
        return RunOutcome{Outcome::InstallerEnded, ERROR_INSTALL_FAILURE};
    }
    // Whatever happened, the copy goes; the installer's own outcome is its business.
    lock.Release();
    hold.DeleteTree();
    if (staged == Outcome::DialogCancelled) {
        return RunOutcome{staged, 0};
    }
    if (staged != Outcome::InstallerEnded) {
        return Fail(owner,
                    staged == Outcome::PackageChanged ? kChangedMessage : kInitialisationMessage,
                    staged);
    }
    if (installer == InstallerRun::NotStarted) {
        return Fail(owner, kStartMessage, Outcome::InstallerNotStarted);
    }
    return RunOutcome{Outcome::InstallerEnded, installerExitCode};
}
